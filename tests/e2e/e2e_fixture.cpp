#include "e2e_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "win/com.h"
#include "xlsx/workbook.h"

namespace zelmo::e2e {
namespace {

constexpr wchar_t kServerTitle[] = L"ZelmoSheetServer";

HWND ServerQuestion() {
    HWND box = FindWindowW(L"#32770", kServerTitle);
    return box != nullptr && IsWindowVisible(box) ? box : nullptr;
}

// Answers the server's overwrite question and returns its text.
std::wstring AnswerQuestion(HWND box, bool yes) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    const int id = yes ? IDYES : IDNO;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    return text;
}

// Waits for the server's overwrite question (a message box of another process), answers it and
// returns its text; "" when none came.
std::wstring AnswerServerQuestion(bool yes) {
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetTickCount64() < deadline) {
        if (HWND box = ServerQuestion()) return AnswerQuestion(box, yes);
        Sleep(20);
    }
    return {};
}

}  // namespace

void EndToEndTest::SetUp() {
    ui::MainWindowTest::SetUp();
    EXPECT_TRUE(busyFilter_.registered()) << "no message filter on the user-interface thread";
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const fs::path base = fs::temp_directory_path() / ("zelmo-e2e-" + name);
    std::error_code ignored;
    fs::remove_all(base, ignored);
    folder_ = base / "books";
    journals_ = base / "journals";
    fs::create_directories(folder_);
    fs::create_directories(journals_);
    UseJournal("journal");
    SetFaults(nullptr);
}

void EndToEndTest::TearDown() {
    EXPECT_TRUE(NoServerLeft()) << "a stand-in server process outlived the test";
    SetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", nullptr);
    SetFaults(nullptr);
    ui::MainWindowTest::TearDown();
    std::error_code ignored;
    fs::remove_all(folder_.parent_path(), ignored);
}

void EndToEndTest::MakeBook(const fs::path& path, const Names& sheets) {
    xlsx::Workbook book = xlsx::Workbook::CreateNew();
    const xlsx::Workbook blank = xlsx::Workbook::CreateNew();
    for (std::size_t i = 0; i < sheets.size(); ++i) book.CopySheet(blank, 0, i, sheets[i]);
    book.RemoveSheet(sheets.size());  // the new book's own sheet, now last
    book.SaveFile(path);
}

Names EndToEndTest::SheetsOf(const fs::path& path) {
    Names names;
    for (const auto& sheet : xlsx::Workbook::OpenFile(path).Sheets()) names.push_back(sheet.name);
    return names;
}

std::string EndToEndTest::Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void EndToEndTest::UseJournal(const std::string& name) {
    journal_ = journals_ / (name + ".txt");
    std::error_code ignored;
    fs::remove(journal_, ignored);
    // A server started by activation inherits the client's environment.
    SetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", journal_.wstring().c_str());
}

void EndToEndTest::SetFaults(const wchar_t* rules) { SetEnvironmentVariableW(L"ZELMO_STANDIN_FAULTS", rules); }

std::vector<std::string> EndToEndTest::Journal() const {
    std::vector<std::string> lines;
    std::ifstream in(journal_);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> EndToEndTest::Calls(const std::string& member) const {
    std::vector<std::string> found;
    for (const auto& line : Journal()) {
        if (line.find("." + member + " ") != std::string::npos) found.push_back(line);
    }
    return found;
}

void EndToEndTest::LoadMerge(const fs::path& folder) {
    Click(C(L"Opt_MnA"));
    LoadFolder(C(L"Cmd_BookFile"), folder.wstring());
}

void EndToEndTest::LoadSplit(const fs::path& folder) {
    Click(C(L"Opt_MnC"));
    LoadFolder(C(L"Cmd_SheetFile"), folder.wstring());
}

void EndToEndTest::Select(const wchar_t* list, const std::vector<std::wstring>& names) {
    HWND box = C(list);
    const std::vector<std::wstring> entries = ui::Entries(box);
    const bool multiple = (GetWindowLongPtrW(box, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
    if (!multiple) SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool wanted = std::find(names.begin(), names.end(), entries[i]) != names.end();
        if (multiple) {
            SendMessageW(box, LB_SETSEL, wanted ? TRUE : FALSE, static_cast<LPARAM>(i));
        } else if (wanted) {
            SendMessageW(box, LB_SETCURSEL, i, 0);
        }
    }
    std::size_t selected = 0;
    for (int i : ui::SelectedIndices(box)) {
        ++selected;
        EXPECT_NE(std::find(names.begin(), names.end(), entries[static_cast<std::size_t>(i)]), names.end());
    }
    EXPECT_EQ(selected, names.size()) << "not every name is in the list";
}

RunResult EndToEndTest::Run(Answer answer, DWORD waitMs) {
    RunResult result;
    ui::WithModalDriver(
        [&](ui::ModalDriver& d) {
            if (answer != Answer::kNone) {
                result.question = AnswerServerQuestion(answer == Answer::kYes);
                result.message = d.DismissMessage(waitMs);
                return;
            }
            // No question expected: one that comes all the same is answered No (so that the
            // operation can end) and reported in `question`.
            const ULONGLONG deadline = GetTickCount64() + waitMs;
            while (result.message.empty() && GetTickCount64() < deadline) {
                if (HWND box = ServerQuestion()) result.question = AnswerQuestion(box, false);
                result.message = d.DismissMessage(100);
            }
        },
        [&] { Click(C(L"Cmd_Return")); }, 90000);
    return result;
}

std::string EndToEndTest::U8(const std::wstring& text) { return win::ToUtf8(text); }

}  // namespace zelmo::e2e
