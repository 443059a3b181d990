#include "model.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "automation_error.h"
#include "confirm_overwrite.h"
#include "journal.h"
#include "text.h"
#include "win/handles.h"
#include "win/text.h"

namespace zelmo::standin {
namespace {

uint64_t NewSheetId() {
    static uint64_t next = 1;
    return next++;
}

std::wstring Quoted(const std::wstring& path) { return L"「" + path + L"」"; }

std::string ReadWholeFile(const std::wstring& path) {
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw AutomationError(Quoted(path) + L"を開けません。ファイルを読み取れませんでした (ほかのプログラムが使用中か、"
                                             L"アクセス権がありません)。");
    std::string bytes;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file.get(), &size) != 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD chunk = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
            ok = ReadFile(file.get(), bytes.data() + done, want, &chunk, nullptr) != 0 && chunk > 0;
            done += chunk;
        }
    }
    file.reset();
    if (!ok) throw AutomationError(Quoted(path) + L"を開けません。ファイルを読み取れませんでした。");
    return bytes;
}

// The file's attributes, or INVALID_FILE_ATTRIBUTES.
DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

xlsx::Workbook ReadWorkbook(const std::wstring& fullPath) {
    const DWORD attributes = AttributesOf(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw AutomationError(Quoted(fullPath) + L"が見つかりません。ファイル名と場所が正しいか確かめてください。");
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw AutomationError(Quoted(fullPath) + L"はフォルダーです。ブックのファイルを指定してください。");
    const std::string bytes = ReadWholeFile(fullPath);
    try {
        // The file's path lets a sheet later copied alone into a new book refer back to this file
        // for the other sheets its formulas name.
        return xlsx::Workbook::Open(bytes, std::filesystem::path(fullPath));
    } catch (const xlsx::Error& e) {
        throw AutomationError(Quoted(fullPath) + L"を開けません。" + win::FromUtf8(e.what()));
    }
}

}  // namespace

size_t Book::PositionOf(uint64_t sheetId) const {
    for (size_t i = 0; i < sheetIds.size(); ++i)
        if (sheetIds[i] == sheetId) return i;
    return std::wstring::npos;
}

std::vector<std::string> Book::SheetNames() const {
    std::vector<std::string> names;
    for (const auto& info : sheets_) names.push_back(info.name);
    return names;
}

void Book::CheckOpen() const {
    if (!open) throw AutomationError(L"ブック" + Quoted(name) + L"は既に閉じられています。");
}

std::wstring FullPathOf(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring out(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, out.data(), nullptr);
    out.resize(written < length ? written : 0);
    return out.empty() ? path : out;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

Instance::Instance() = default;

void Instance::CheckRunning() const {
    if (quit) throw AutomationError(L"アプリケーションは既に終了しています (Quit の後の呼び出しです)。");
}

bool Instance::NameTaken(const std::wstring& name) const {
    for (const auto& book : books_)
        if (EqualNoCase(book->name, name)) return true;
    return false;
}

std::wstring Instance::NextBookName(const std::wstring& stem) {
    for (;;) {
        std::wstring name = stem + std::to_wstring(nextBookNumber_++);
        if (!NameTaken(name)) return name;
    }
}

std::shared_ptr<Book> Instance::Adopt(xlsx::Workbook engine, std::wstring name, std::wstring fullPath) {
    auto book = std::make_shared<Book>(std::move(engine));
    for (size_t i = 0; i < book->Sheets().size(); ++i) book->sheetIds.push_back(NewSheetId());
    book->name = std::move(name);
    book->fullPath = std::move(fullPath);
    books_.push_back(book);
    return book;
}

std::shared_ptr<Book> Instance::Add() {
    CheckRunning();
    xlsx::Workbook engine = xlsx::Workbook::CreateNew();
    return Adopt(std::move(engine), NextBookName(L"Book"), L"");
}

std::shared_ptr<Book> Instance::AddFromTemplate(const std::wstring& path) {
    CheckRunning();
    const std::wstring full = FullPathOf(path);
    xlsx::Workbook engine = ReadWorkbook(full);
    std::wstring stem = FileNameOf(full);
    const size_t dot = stem.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) stem.resize(dot);
    // A book made from a template is named after it, numbered, and has no file yet.
    std::wstring name = stem + L"1";
    for (int n = 2; NameTaken(name); ++n) name = stem + std::to_wstring(n);
    auto book = Adopt(std::move(engine), name, L"");
    book->saved = false;
    return book;
}

std::shared_ptr<Book> Instance::Open(const std::wstring& path) {
    CheckRunning();
    if (path.empty()) throw AutomationError(L"開くファイルの名前が指定されていません。");
    const std::wstring full = FullPathOf(path);
    // The same file again gives the book already open, as the spreadsheet program does.
    for (const auto& book : books_)
        if (!book->fullPath.empty() && EqualNoCase(book->fullPath, full)) return book;
    const std::wstring name = FileNameOf(full);
    xlsx::Workbook engine = ReadWorkbook(full);
    if (NameTaken(name))
        throw AutomationError(Quoted(full) + L"を開けません。同じ名前のブック" + Quoted(name) +
                              L"が既に開いています。同じ名前のブックは同時に開けません。");
    return Adopt(std::move(engine), name, full);
}

void Instance::Close(const std::shared_ptr<Book>& book) {
    book->open = false;
    for (auto it = books_.begin(); it != books_.end(); ++it) {
        if (*it == book) {
            books_.erase(it);
            break;
        }
    }
}

static size_t SourcePosition(const Book& source, uint64_t sheetId) {
    const size_t index = source.PositionOf(sheetId);
    if (index == std::wstring::npos) throw AutomationError(L"このシートは既にブックにありません。");
    return index;
}

void Instance::CopySheet(const std::shared_ptr<Book>& source, uint64_t sheetId, const std::shared_ptr<Book>& target,
                         size_t position) {
    CheckRunning();
    source->CheckOpen();
    target->CheckOpen();
    const size_t index = SourcePosition(*source, sheetId);
    const std::string sourceName = source->Sheets()[index].name;
    const std::string name = xlsx::UniqueSheetName(sourceName, target->SheetNames());
    xlsx::CopyReport report;
    try {
        report = target->engine.CopySheet(source->engine, index, position, name);
    } catch (const xlsx::Error& e) {
        throw AutomationError(L"ブック" + Quoted(source->name) + L"のシート" + Quoted(win::FromUtf8(sourceName)) +
                              L"をコピーできません。" + win::FromUtf8(e.what()));
    }
    target->Refresh();
    target->sheetIds.insert(target->sheetIds.begin() + static_cast<std::ptrdiff_t>(position), NewSheetId());
    target->saved = false;
    for (const std::string& part : report.notCarried)
        Journal::Get().Write(L"server copy of sheet \"" + win::FromUtf8(sourceName) + L"\" did not carry: " + win::FromUtf8(part));
}

std::shared_ptr<Book> Instance::CopyToNewBook(const std::shared_ptr<Book>& source, uint64_t sheetId) {
    CheckRunning();
    source->CheckOpen();
    const size_t index = SourcePosition(*source, sheetId);
    const std::string sourceName = source->Sheets()[index].name;
    xlsx::CopyReport report;
    xlsx::Workbook engine = [&] {
        try {
            // The new book holds the copy alone, with the source's look (styles, theme, date system).
            return xlsx::Workbook::FromSheet(source->engine, index, &report);
        } catch (const xlsx::Error& e) {
            throw AutomationError(L"ブック" + Quoted(source->name) + L"のシート" + Quoted(win::FromUtf8(sourceName)) +
                                  L"をコピーできません。" + win::FromUtf8(e.what()));
        }
    }();
    for (const std::string& part : report.notCarried)
        Journal::Get().Write(L"server copy of sheet \"" + win::FromUtf8(sourceName) + L"\" did not carry: " + win::FromUtf8(part));
    auto book = Adopt(std::move(engine), NextBookName(L"Book"), L"");
    book->saved = false;
    return book;
}

void Instance::SaveAs(const std::shared_ptr<Book>& book, const std::wstring& path) {
    CheckRunning();
    book->CheckOpen();
    if (path.empty()) throw AutomationError(L"保存するファイルの名前が指定されていません。");
    std::wstring full = FullPathOf(path);
    std::wstring name = FileNameOf(full);
    if (name.empty()) throw AutomationError(Quoted(full) + L"はファイル名ではありません。");
    DWORD attributes = AttributesOf(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw AutomationError(Quoted(full) + L"に保存できません。同じ名前のフォルダーがあります。");
    if (name.find(L'.') == std::wstring::npos) {
        full += L".xlsx";  // the format's extension, as the spreadsheet program adds it
        name += L".xlsx";
        attributes = AttributesOf(full);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw AutomationError(Quoted(full) + L"に保存できません。同じ名前のフォルダーがあります。");
    }
    const std::wstring folder = full.substr(0, full.size() - name.size());
    const DWORD folderAttributes = AttributesOf(folder);
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
        throw AutomationError(Quoted(full) + L"に保存できません。保存先のフォルダーが見つかりません。");
    for (const auto& other : books_)
        if (other != book && EqualNoCase(other->name, name))
            throw AutomationError(Quoted(full) + L"に保存できません。同じ名前のブック" + Quoted(other->name) +
                                  L"が開いています。そのブックを閉じてから保存してください。");
    if (attributes != INVALID_FILE_ATTRIBUTES && displayAlerts && !ConfirmOverwrite(full))
        throw AutomationError(Quoted(full) + L"は既にあります。置き換えは取り消されました。ファイルは保存されていません。");
    try {
        // References to sheets of a source that were copied into this book name those copies; the
        // links to sources that nothing needs then go.
        book->engine.ResolveLinksToCopies();
        book->engine.SaveFile(std::filesystem::path(full));
        book->Refresh();  // saving shows the first sheet when every sheet was hidden
    } catch (const xlsx::Error& e) {
        book->Refresh();
        // A full disk or a folder that may not be written keeps the system's code, so that the
        // client can name the cause; every other failure is the spreadsheet program's own code.
        const HRESULT code = e.cause() == xlsx::WriteCause::DiskFull      ? HRESULT_FROM_WIN32(ERROR_DISK_FULL)
                             : e.cause() == xlsx::WriteCause::NotWritable ? E_ACCESSDENIED
                                                                          : kExcelError;
        throw AutomationError(Quoted(full) + L"に保存できません。" + win::FromUtf8(e.what()), code);
    }
    book->name = name;
    book->fullPath = full;
    book->saved = true;
}

void Instance::Quit() {
    for (const auto& book : books_) book->open = false;
    books_.clear();
    quit = true;
}

}  // namespace zelmo::standin
