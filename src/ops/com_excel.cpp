#include "ops/com_excel.h"

#include <optional>
#include <utility>

#include "win/com.h"
#include "win/dispatch.h"

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

// Runs one automation call, turning the client's ComError into the operations' ExcelError.
template <class F>
auto Calling(F&& call) -> decltype(call()) {
    try {
        return call();
    } catch (const win::ComError& e) {
        // A server that gave no description of its own is explained by the code.
        const std::wstring description = e.description().empty() ? e.Reason() : e.description();
        throw ExcelError(static_cast<int32_t>(e.hr()), win::ToU16(e.source()),
                         win::ToU16(description), win::ToU16(e.member()));
    }
}

Variant Missing() { return Variant::Missing(); }

class ComSheet : public Sheet {
public:
    explicit ComSheet(Dispatch sheet) : sheet_(std::move(sheet)) {}

    // Copy(Before, After).
    void CopyBefore(Sheet& anchor) override {
        Calling([&] { AsWorksheet().Call(L"Copy", Variant(Object(anchor)), Missing()); });
    }
    void CopyAfter(Sheet& anchor) override {
        Calling([&] { AsWorksheet().Call(L"Copy", Missing(), Variant(Object(anchor))); });
    }
    std::u16string Name() override {
        return Calling([&] { return win::ToU16(sheet_.Get(L"Name").ToString()); });
    }

private:
    // Sheets passed as Before or After come from this adapter too.
    static const Dispatch& Object(Sheet& anchor) { return static_cast<ComSheet&>(anchor).sheet_; }

    const Dispatch& AsWorksheet() {
        if (!worksheet_) {
            win::ComPtr<IDispatch> worksheet;
            const HRESULT hr = sheet_.get()->QueryInterface(kIidWorksheet, worksheet.put_void());
            // _Worksheet is a dispinterface: its pointer is an IDispatch.
            worksheet_ =
                SUCCEEDED(hr) && worksheet ? Dispatch(std::move(worksheet)) : sheet_.Clone();
        }
        return worksheet_;
    }

    Dispatch sheet_;
    Dispatch worksheet_;
};

class ComSheetEnumerator : public SheetEnumerator {
public:
    explicit ComSheetEnumerator(Dispatch::Enumerator members) : members_(std::move(members)) {}

    std::unique_ptr<Sheet> Next() override {
        return Calling([&]() -> std::unique_ptr<Sheet> {
            std::optional<Variant> member = members_.Next();
            if (!member) return nullptr;
            return std::make_unique<ComSheet>(member->ToDispatch());
        });
    }

private:
    Dispatch::Enumerator members_;
};

class ComSheets : public SheetCollection {
public:
    explicit ComSheets(Dispatch sheets) : sheets_(std::move(sheets)) {}

    int32_t Count() override {
        return Calling([&] { return sheets_.Get(L"Count").ToInt32(); });
    }
    // The default member, Item, with the index as VT_I2 or VT_I4.
    std::unique_ptr<Sheet> Item(int32_t index, IndexWidth width) override {
        return Calling([&]() -> std::unique_ptr<Sheet> {
            Variant member = width == IndexWidth::k16
                                 ? sheets_.GetDefault(static_cast<int16_t>(index))
                                 : sheets_.GetDefault(index);
            return std::make_unique<ComSheet>(member.ToDispatch());
        });
    }
    std::unique_ptr<SheetEnumerator> Enumerate() override {
        return Calling([&] { return std::make_unique<ComSheetEnumerator>(sheets_.Enumerate()); });
    }

private:
    Dispatch sheets_;
};

class ComWorkbook : public Workbook {
public:
    explicit ComWorkbook(Dispatch book) : book_(std::move(book)) {}

    std::unique_ptr<SheetCollection> Sheets() override {
        return Calling(
            [&] { return std::make_unique<ComSheets>(book_.Get(L"Sheets").ToDispatch()); });
    }
    // SaveAs(Filename, FileFormat, Password, WriteResPassword, ReadOnlyRecommended, CreateBackup,
    //        AccessMode, ConflictResolution, AddToMru, TextCodepage, TextVisualLayout, Local).
    void SaveAs(const std::u16string& path) override {
        Calling([&] {
            book_.Call(L"SaveAs", win::ToWide(path), Missing(), Missing(), Missing(), Missing(),
                       Missing(), kXlNoChange, Missing(), Missing(), Missing(), Missing(),
                       Missing());
        });
    }

private:
    Dispatch book_;
};

class ComApplication : public ExcelApplication {
public:
    explicit ComApplication(Dispatch application) : application_(std::move(application)) {}

    // Workbooks.Open(Filename, and its 14 optional arguments omitted).
    std::unique_ptr<Workbook> OpenWorkbook(const std::u16string& path) override {
        return Calling([&] {
            const Dispatch books = application_.Get(L"Workbooks").ToDispatch();
            Variant book =
                books.Call(L"Open", win::ToWide(path), Missing(), Missing(), Missing(), Missing(),
                           Missing(), Missing(), Missing(), Missing(), Missing(), Missing(),
                           Missing(), Missing(), Missing(), Missing());
            return std::make_unique<ComWorkbook>(book.ToDispatch());
        });
    }
    // Workbooks.Add(Template omitted).
    std::unique_ptr<Workbook> AddWorkbook() override {
        return Calling([&] {
            const Dispatch books = application_.Get(L"Workbooks").ToDispatch();
            return std::make_unique<ComWorkbook>(books.Call(L"Add", Missing()).ToDispatch());
        });
    }
    void Quit() override {
        Calling([&] { application_.Call(L"Quit"); });
    }

private:
    Dispatch application_;
};

}  // namespace

std::unique_ptr<ExcelApplication> ComExcelFactory::CreateExcel() {
    return Calling([] {
        return std::make_unique<ComApplication>(
            Dispatch::Create(L"Excel.Application", CLSCTX_LOCAL_SERVER));
    });
}

std::unique_ptr<ExcelFactory> MakeComExcelFactory() { return std::make_unique<ComExcelFactory>(); }

}  // namespace zelmo::ops
