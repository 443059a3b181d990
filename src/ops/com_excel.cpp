#include "ops/com_excel.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "errors/reason.h"
#include "ops/bundled_server.h"
#include "win/busy_server.h"
#include "win/com.h"
#include "win/dispatch.h"
#include "win/local_server.h"
#include "win/proxy_stub_cache.h"
#include "win/type_library.h"

namespace zelmo::ops {
namespace {

using win::Dispatch;
using win::Variant;

// `_Worksheet`: a sheet that is copied is called through its worksheet interface. A chart
// sheet does not answer it and is then called through its own IDispatch, whose Copy takes the
// same arguments. Sheets passed as Before or After travel as plain objects.
constexpr IID kIidWorksheet = {
    0x000208D8, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// xlNoChange: SaveAs leaves the workbook's access mode as it is.
constexpr int32_t kXlNoChange = 1;

// The operations' error for a failed automation call.
ExcelError ToExcelError(const win::ComError& e) {
    // A server that gave no description of its own is explained by the code.
    std::wstring description = e.description().empty() ? errors::Reason(e) : e.description();
    if (win::IsBusyRefusal(e.hr())) {
        description = L"Excel が応答しません。ほかの処理中のため、" +
                      std::to_wstring((win::BusyRetryBoundMs() + 999) / 1000) +
                      L" 秒待っても呼び出しを受け付けませんでした。";
    }
    return ExcelError(static_cast<int32_t>(e.hr()), win::ToU16(e.source()), win::ToU16(description),
                      win::ToU16(e.member()));
}

// Runs one automation call, turning the client's ComError into the operations' ExcelError.
template <class F>
auto Calling(F&& call) -> decltype(call()) {
    try {
        return call();
    } catch (const win::ComError& e) {
        throw ToExcelError(e);
    }
}

Variant Missing() { return Variant::Missing(); }

// The kinds of object the adapter calls members of. A member's DISPID belongs to its object's
// interface, so it is the same for every object of a kind.
enum class Kind { Application, Workbooks, Workbook, Sheets, Worksheet };

// What every object of one Excel instance shares.
//
// DISPIDs looked up once per kind and member, instead of a GetIDsOfNames round trip to the
// server before every call. The calls themselves (Invoke) are the same either way.
//
// References held back: releasing a proxy is a call into Excel's process, one per interface it
// has (under Wine about a millisecond each), and the operations drop a sheet or two per copy and
// an enumerator per source. Those are kept here instead, up to kMaxHeld, and let go one at a
// time by DropHeld, which the operations call while their closing message is on screen; any
// left go with the last object of the instance.
class InstanceState {
public:
    static constexpr std::size_t kMaxHeld = 4096;

    explicit InstanceState(bool dispatchOnly) : dispatchOnly_(dispatchOnly) {}
    // Takes over the reference (beyond kMaxHeld it is released now).
    void Hold(win::ComPtr<IUnknown> reference) {
        if (reference && held_.size() < kMaxHeld) held_.push_back(std::move(reference));
    }
    void Hold(const Dispatch& object) {
        if (object) Hold(win::ComPtr<IUnknown>::Share(object.get()));
    }
    bool DropHeld() {
        if (held_.empty()) return false;
        held_.pop_back();
        return true;
    }
    // True over the bundled server: no interface but IDispatch is queried.
    bool dispatchOnly() const noexcept { return dispatchOnly_; }

    DISPID Of(const Dispatch& object, Kind kind, const wchar_t* member) {
        const auto key = std::make_pair(kind, std::wstring(member));
        const auto found = ids_.find(key);
        if (found != ids_.end()) return found->second;
        const DISPID id = object.IdOf(member);
        ids_.emplace(key, id);
        return id;
    }
    // object.member(args...) and the property get object.member(args...) by the kind's DISPID.
    template <typename... Args>
    Variant Call(const Dispatch& object, Kind kind, const wchar_t* member, Args&&... args) {
        return object.CallId(Of(object, kind, member), member, std::forward<Args>(args)...);
    }
    template <typename... Args>
    Variant Get(const Dispatch& object, Kind kind, const wchar_t* member, Args&&... args) {
        return object.GetId(Of(object, kind, member), member, std::forward<Args>(args)...);
    }

private:
    bool dispatchOnly_;
    std::map<std::pair<Kind, std::wstring>, DISPID> ids_;
    std::vector<win::ComPtr<IUnknown>> held_;
};
using SharedState = std::shared_ptr<InstanceState>;

class ComSheet : public Sheet {
public:
    ComSheet(Dispatch sheet, SharedState state) : sheet_(std::move(sheet)), state_(std::move(state)) {}
    // The sheet's proxy is held back, not released now. The worksheet interface is the same
    // object's: its own reference goes at no cost while the proxy is held.
    ~ComSheet() override { state_->Hold(sheet_); }

    // Copy(Before, After).
    void CopyBefore(Sheet& anchor) override {
        Calling([&] { Copy(Variant(Object(anchor)), Missing()); });
    }
    void CopyAfter(Sheet& anchor) override {
        Calling([&] { Copy(Missing(), Variant(Object(anchor))); });
    }
    std::u16string Name() override {
        return Calling([&] { return win::ToU16(sheet_.Get(L"Name").ToString()); });
    }

private:
    // Sheets passed as Before or After come from this adapter too.
    static const Dispatch& Object(Sheet& anchor) { return static_cast<ComSheet&>(anchor).sheet_; }

    void Copy(Variant before, Variant after) {
        const Dispatch& target = AsWorksheet();
        // A chart sheet's Copy is called by name: its DISPID is its own interface's.
        if (isWorksheet_) {
            state_->Call(target, Kind::Worksheet, L"Copy", std::move(before), std::move(after));
        } else {
            target.Call(L"Copy", std::move(before), std::move(after));
        }
    }

    const Dispatch& AsWorksheet() {
        if (!worksheet_ && state_->dispatchOnly()) {
            // Over the bundled server no Excel interface is asked for: every sheet is called
            // through IDispatch, by name.
            worksheet_ = sheet_.Clone();
        }
        if (!worksheet_) {
            win::ComPtr<IDispatch> worksheet;
            const HRESULT hr = sheet_.get()->QueryInterface(kIidWorksheet, worksheet.put_void());
            // _Worksheet is a dispinterface: its pointer is an IDispatch.
            isWorksheet_ = SUCCEEDED(hr) && worksheet;
            worksheet_ = isWorksheet_ ? Dispatch(std::move(worksheet)) : sheet_.Clone();
        }
        return worksheet_;
    }

    Dispatch sheet_;
    Dispatch worksheet_;
    bool isWorksheet_ = false;
    SharedState state_;
};

class ComSheetEnumerator : public SheetEnumerator {
public:
    ComSheetEnumerator(Dispatch::Enumerator members, SharedState state)
        : members_(std::move(members)), state_(std::move(state)) {}
    ~ComSheetEnumerator() override { state_->Hold(win::ComPtr<IUnknown>(members_.Detach().release())); }

    std::unique_ptr<Sheet> Next() override {
        return Calling([&]() -> std::unique_ptr<Sheet> {
            std::optional<Variant> member = members_.Next();
            if (!member) return nullptr;
            return std::make_unique<ComSheet>(member->ToDispatch(), state_);
        });
    }

private:
    Dispatch::Enumerator members_;
    SharedState state_;
};

class ComSheets : public SheetCollection {
public:
    ComSheets(Dispatch sheets, SharedState state) : sheets_(std::move(sheets)), state_(std::move(state)) {}

    int32_t Count() override {
        return Calling([&] {
            return state_->Get(sheets_, Kind::Sheets, L"Count").ToInt32();
        });
    }
    // The default member, Item, with the index as VT_I2 or VT_I4.
    std::unique_ptr<Sheet> Item(int32_t index, IndexWidth width) override {
        return Calling([&]() -> std::unique_ptr<Sheet> {
            Variant member = width == IndexWidth::k16
                                 ? sheets_.GetDefault(static_cast<int16_t>(index))
                                 : sheets_.GetDefault(index);
            return std::make_unique<ComSheet>(member.ToDispatch(), state_);
        });
    }
    std::unique_ptr<SheetEnumerator> Enumerate() override {
        return Calling(
            [&] { return std::make_unique<ComSheetEnumerator>(sheets_.Enumerate(), state_); });
    }

private:
    Dispatch sheets_;
    SharedState state_;
};

class ComWorkbook : public Workbook {
public:
    ComWorkbook(Dispatch book, SharedState state) : book_(std::move(book)), state_(std::move(state)) {}

    std::unique_ptr<SheetCollection> Sheets() override {
        return Calling([&] {
            Dispatch sheets = state_->Get(book_, Kind::Workbook, L"Sheets").ToDispatch();
            lastSheets_ = sheets.Clone();
            return std::make_unique<ComSheets>(std::move(sheets), state_);
        });
    }
    // SaveAs(Filename, FileFormat, Password, WriteResPassword, ReadOnlyRecommended, CreateBackup,
    //        AccessMode, ConflictResolution, AddToMru, TextCodepage, TextVisualLayout, Local).
    // The 10 omitted arguments are passed on purpose, as for Open; the call-log tests pin them.
    void SaveAs(const std::u16string& path) override {
        Calling([&] {
            state_->Call(book_, Kind::Workbook, L"SaveAs", win::ToWide(path), Missing(), Missing(),
                       Missing(), Missing(), Missing(), kXlNoChange, Missing(), Missing(), Missing(),
                       Missing(), Missing());
        });
    }

private:
    Dispatch book_;
    // The collection the last Sheets call answered, held until the next one answers. A server
    // that answers the same object every time (as the spreadsheet program does) then finds the
    // client's proxy still there: dropping the previous result costs no call to the server.
    Dispatch lastSheets_;
    SharedState state_;
};

class ComApplication : public ExcelApplication {
public:
    ComApplication(Dispatch application, bool dispatchOnly)
        : proxyStubs_({IID_IUnknown, IID_IDispatch, IID_IEnumVARIANT, kIidWorksheet}),
          application_(std::move(application)),
          state_(std::make_shared<InstanceState>(dispatchOnly)) {
        // Every copied sheet is asked for its worksheet interface, and the marshaler reads that
        // interface's type library for each such proxy; held here, it is read once.
        if (!dispatchOnly) worksheetTypes_ = win::LoadTypeLibraryOf(kIidWorksheet);
    }

    // Workbooks.Open(Filename, and its 14 optional arguments omitted). The omitted arguments are
    // passed on purpose, so that the server sees the full parameter list; the call-log tests pin them.
    std::unique_ptr<Workbook> OpenWorkbook(const std::u16string& path) override {
        return Calling([&] {
            const Dispatch& books = Workbooks();
            Variant book = state_->Call(books, Kind::Workbooks, L"Open", win::ToWide(path),
                                      Missing(), Missing(), Missing(), Missing(), Missing(),
                                      Missing(), Missing(), Missing(), Missing(), Missing(),
                                      Missing(), Missing(), Missing(), Missing());
            return std::make_unique<ComWorkbook>(book.ToDispatch(), state_);
        });
    }
    // Workbooks.Add(Template omitted).
    std::unique_ptr<Workbook> AddWorkbook() override {
        return Calling([&] {
            const Dispatch& books = Workbooks();
            Variant book = state_->Call(books, Kind::Workbooks, L"Add", Missing());
            return std::make_unique<ComWorkbook>(book.ToDispatch(), state_);
        });
    }
    void Quit() override {
        Calling([&] { application_.Call(L"Quit"); });
    }
    bool DropHeldReference() override { return state_->DropHeld(); }

private:
    // `Application.Workbooks`. The result is held until the next call answers, for the reason
    // given at ComWorkbook::lastSheets_.
    const Dispatch& Workbooks() {
        workbooks_ = state_->Get(application_, Kind::Application, L"Workbooks").ToDispatch();
        return workbooks_;
    }

    // Every object the calls return is unmarshaled here: under Wine, their proxy/stub classes are
    // found without the registry (win/proxy_stub_cache.h). Declared first, it goes last.
    win::ProxyStubCache proxyStubs_;
    Dispatch application_;
    Dispatch workbooks_;
    SharedState state_;
    win::ComPtr<ITypeLib> worksheetTypes_;
};

// Where the class (a ProgID or a {CLSID}) is served by our own server, under Wine, starts that
// server ahead so that creating the instance does not wait out COM's fixed second (see
// win/local_server.h). Creating the instance is the same call either way.
void StartOwnServerAhead(const std::wstring& progIdOrClsid) {
    CLSID clsid{};
    if (SUCCEEDED(Dispatch::ClassOf(progIdOrClsid, clsid))) win::StartLocalServerAhead(clsid, kBundledServerFile);
}

// The bundled server beside the program, registered under its own class and started; throws
// ExcelError when it is not there or cannot be registered.
std::unique_ptr<ExcelApplication> CreateBundled(const std::wstring& folder, int32_t missingCode) {
    const std::wstring server = folder + L"\\" + kBundledServerFile;
    const DWORD attributes = GetFileAttributesW(server.c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw ExcelError(missingCode, u"",
                         u"Excel が見つかりません。このプログラムには Excel か、付属のサーバー "
                         u"ZelmoSheetServer.exe（このプログラムと同じフォルダーに置きます）が必要です。",
                         u"Excel.Application の作成");
    }
    const LSTATUS status = RegisterBundledServer(server);
    if (status != ERROR_SUCCESS) {
        throw ExcelError(static_cast<int32_t>(HRESULT_FROM_WIN32(status)), u"",
                         u"Excel が見つからず、付属のサーバー ZelmoSheetServer.exe を使うための登録も"
                         u"レジストリに書き込めませんでした。",
                         u"ZelmoSheetServer.exe の登録");
    }
    StartOwnServerAhead(kBundledClsidText);
    return Calling([] {
        return std::make_unique<ComApplication>(Dispatch::Create(kBundledClsidText, CLSCTX_LOCAL_SERVER),
                                                true);
    });
}

}  // namespace

std::unique_ptr<ExcelApplication> ComExcelFactory::CreateExcel() {
    try {
        StartOwnServerAhead(options_.progId);
        return std::make_unique<ComApplication>(Dispatch::Create(options_.progId, CLSCTX_LOCAL_SERVER), false);
    } catch (const win::ComError& e) {
        if (!IsMissingClass(e.hr())) throw ToExcelError(e);
        // No Excel on this machine: the server beside the program does the same work.
        return CreateBundled(options_.bundledFolder.empty() ? ProgramFolder() : options_.bundledFolder,
                             static_cast<int32_t>(e.hr()));
    }
}

std::unique_ptr<ExcelFactory> MakeComExcelFactory() { return std::make_unique<ComExcelFactory>(); }

}  // namespace zelmo::ops
