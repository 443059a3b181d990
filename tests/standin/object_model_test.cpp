// The object model across processes, driven as the product drives it: open, add, enumerate, find
// the last sheet, copy before or after, save; Excel's names and defaults; named, omitted, by-reference
// and 16-bit arguments; paths outside the ANSI code page.
#include <windows.h>
#include <ole2.h>

#include "server_fixture.h"

namespace zelmo::standin_test {
namespace {

const IID kIidApplication = {0x000208D5, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidWorkbooks = {0x000208DB, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidWorkbook = {0x000208DA, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidSheets = {0x000208D7, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidWorksheet = {0x000208D8, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::vector<Var> Args(Var a) {
    std::vector<Var> v;
    v.push_back(std::move(a));
    return v;
}

// Workbooks.Open with FileName and its 14 optional arguments passed as omitted.
Disp OpenAllOmitted(const Disp& books, const std::wstring& path) {
    std::vector<Var> args;
    args.push_back(Var::Str(path));
    for (int i = 0; i < 14; ++i) args.push_back(Var::Omitted());
    return books.CallObj(L"Open", std::move(args));
}

// Workbook.SaveAs as the product calls it: Filename, AccessMode 1, everything else omitted.
Outcome SaveAsProductStyle(const Disp& book, const std::wstring& path) {
    std::vector<Var> args;
    args.push_back(Var::Str(path));
    for (int i = 0; i < 5; ++i) args.push_back(Var::Omitted());
    args.push_back(Var::I4(1));
    for (int i = 0; i < 5; ++i) args.push_back(Var::Omitted());
    return book.Call(L"SaveAs", std::move(args));
}

// Every member of a collection through _NewEnum and IEnumVARIANT.
std::vector<Disp> Enumerate(const Disp& collection) {
    std::vector<Disp> items;
    Outcome outcome = collection.InvokeId(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(outcome.ok()) << Utf8(Hex(outcome.hr));
    if (!outcome.ok()) return items;
    IEnumVARIANT* e = nullptr;
    EXPECT_EQ(S_OK, V_UNKNOWN(outcome.result.get())->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&e)));
    if (e == nullptr) return items;
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 0;
    while (e->Next(1, &item, &fetched) == S_OK && fetched == 1) {
        EXPECT_EQ(VT_DISPATCH, V_VT(&item));
        items.emplace_back(V_DISPATCH(&item));  // the reference moves into the Disp
        VariantInit(&item);
    }
    e->Release();
    return items;
}

TEST_F(ServerTest, NewInstanceHasExcelDefaultsNamesAndInterfaces) {
    {
        Disp app = StartExcel();
        ASSERT_TRUE(app);
        EXPECT_TRUE(app.Answers(kIidApplication));
        EXPECT_FALSE(app.Invoke(L"Visible", DISPATCH_PROPERTYGET).result.AsBool());
        EXPECT_TRUE(app.Invoke(L"DisplayAlerts", DISPATCH_PROPERTYGET).result.AsBool());

        Disp books = app.GetObj(L"Workbooks");
        EXPECT_TRUE(books.Answers(kIidWorkbooks));
        Disp first = books.CallObj(L"Add", Args(Var::Omitted()));
        Disp second = books.CallObj(L"Add");
        EXPECT_TRUE(first.Answers(kIidWorkbook));
        EXPECT_EQ(L"Book1", first.GetString(L"Name"));
        EXPECT_EQ(L"Book1", first.GetString(L"FullName"));
        EXPECT_EQ(L"Book2", second.GetString(L"Name"));
        EXPECT_EQ(2, books.GetLong(L"Count"));
        EXPECT_EQ(L"Book2", books.GetObj(L"Item", Args(Var::Str(L"book2"))).GetString(L"Name"));

        Disp sheets = first.GetObj(L"Sheets");
        EXPECT_TRUE(sheets.Answers(kIidSheets));
        EXPECT_EQ(1, sheets.GetLong(L"Count"));
        // The default member with a 32-bit and a 16-bit index, and by name.
        Outcome byDefault = sheets.InvokeId(DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, Args(Var::I4(1)));
        ASSERT_TRUE(byDefault.ok()) << Utf8(Hex(byDefault.hr));
        Disp sheet(V_DISPATCH(byDefault.result.get()));
        V_VT(byDefault.result.get()) = VT_EMPTY;
        EXPECT_TRUE(sheet.Answers(kIidWorksheet));
        EXPECT_EQ(L"Sheet1", sheet.GetString(L"Name"));
        EXPECT_EQ(1, sheet.GetLong(L"Index"));
        EXPECT_EQ(L"Sheet1", sheets.GetObj(L"Item", Args(Var::I2(1))).GetString(L"Name"));
        EXPECT_EQ(L"Sheet1", first.GetObj(L"Worksheets").GetObj(L"Item", Args(Var::Str(L"SHEET1"))).GetString(L"Name"));

        Outcome outOfRange = sheets.Invoke(L"Item", DISPATCH_METHOD, Args(Var::I4(2)));
        EXPECT_EQ(DISP_E_EXCEPTION, outOfRange.hr);
        EXPECT_EQ(DISP_E_BADINDEX, outOfRange.scode);
        EXPECT_FALSE(outOfRange.description.empty());

        EXPECT_TRUE(app.Call(L"Quit").ok());
    }
}

TEST_F(ServerTest, MergeAppendsEverySheetBehindTheLastAndKeepsSources) {
    const std::wstring a = *folder_ / L"a.xlsx";
    const std::wstring b = *folder_ / L"b.xlsx";
    MakeBook(a, {"a1", "a2"});
    MakeBook(b, {"b1", "Sheet1"});
    const std::string aBytes = ReadBytes(a);
    const std::wstring out = *folder_ / L"新ExcelFile.xlsx";
    {
        Disp app = StartExcel();
        ASSERT_TRUE(app);
        std::vector<Disp> sources;
        sources.push_back(OpenAllOmitted(app.GetObj(L"Workbooks"), a));
        Named byName;
        byName.emplace_back(L"Filename", Var::Str(b));
        sources.push_back(app.GetObj(L"Workbooks").CallObj(L"Open", {}, std::move(byName)));
        EXPECT_EQ(L"a.xlsx", sources[0].GetString(L"Name"));
        EXPECT_EQ(a, sources[0].GetString(L"FullName"));
        Disp target = app.GetObj(L"Workbooks").CallObj(L"Add", Args(Var::Omitted()));
        for (const Disp& source : sources) {
            for (const Disp& sheet : Enumerate(source.GetObj(L"Sheets"))) {
                const long count = target.GetObj(L"Sheets").GetLong(L"Count");
                Disp last = target.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I4(count)));
                std::vector<Var> copyArgs;
                copyArgs.push_back(Var::Omitted());
                copyArgs.push_back(Var::Object(last.get()));
                Outcome copied = sheet.Call(L"Copy", std::move(copyArgs));
                EXPECT_TRUE(copied.ok()) << Utf8(copied.description);
            }
        }
        Outcome saved = SaveAsProductStyle(target, out);
        EXPECT_TRUE(saved.ok()) << Utf8(saved.description);
        EXPECT_EQ(L"新ExcelFile.xlsx", target.GetString(L"Name"));
        EXPECT_TRUE(app.Call(L"Quit").ok());
    }
    EXPECT_EQ((std::vector<std::string>{"Sheet1", "a1", "a2", "b1", "Sheet1 (2)"}), SheetNamesOf(out));
    EXPECT_EQ(aBytes, ReadBytes(a));
}

TEST_F(ServerTest, SplitCopiesEachSheetBeforeTheFirstSheetOfANewBook) {
    const std::wstring source = *folder_ / L"Book1.xlsx";
    MakeBook(source, {"東京", "Sheet1", "Data"});
    {
        Disp app = StartExcel();
        ASSERT_TRUE(app);
        Disp book = OpenAllOmitted(app.GetObj(L"Workbooks"), source);
        const long count = book.GetObj(L"Sheets").GetLong(L"Count");
        ASSERT_EQ(3, count);
        std::vector<Disp> newBooks;
        for (short j = 1; j <= count; ++j) {
            Disp sheet = book.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I2(j)));
            newBooks.push_back(app.GetObj(L"Workbooks").CallObj(L"Add", Args(Var::Omitted())));
            Disp first = newBooks.back().GetObj(L"Sheets").GetObj(L"Item", Args(Var::I2(1)));
            Named before;
            before.emplace_back(L"Before", Var::Object(first.get()));
            Outcome copied = sheet.Call(L"Copy", {}, std::move(before));
            EXPECT_TRUE(copied.ok()) << Utf8(copied.description);
            Outcome saved = SaveAsProductStyle(newBooks.back(), *folder_ / (L"新Book1." + std::to_wstring(j) + L".xlsx"));
            EXPECT_TRUE(saved.ok()) << Utf8(saved.description);
        }
        EXPECT_TRUE(app.Call(L"Quit").ok());
    }
    EXPECT_EQ((std::vector<std::string>{"東京", "Sheet1"}), SheetNamesOf(*folder_ / L"新Book1.1.xlsx"));
    EXPECT_EQ((std::vector<std::string>{"Sheet1 (2)", "Sheet1"}), SheetNamesOf(*folder_ / L"新Book1.2.xlsx"));
    EXPECT_EQ((std::vector<std::string>{"Data", "Sheet1"}), SheetNamesOf(*folder_ / L"新Book1.3.xlsx"));
}

TEST_F(ServerTest, CopyWithNeitherAnchorMakesANewBookHoldingTheCopyAlone) {
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp books = app.GetObj(L"Workbooks");
    Disp book = books.CallObj(L"Add");
    Disp sheet = book.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I4(1)));
    EXPECT_TRUE(sheet.Call(L"Copy").ok());
    ASSERT_EQ(2, books.GetLong(L"Count"));
    Disp made = books.GetObj(L"Item", Args(Var::I4(2)));
    EXPECT_EQ(L"Book2", made.GetString(L"Name"));
    EXPECT_EQ(1, made.GetObj(L"Sheets").GetLong(L"Count"));
    EXPECT_EQ(1, book.GetObj(L"Sheets").GetLong(L"Count"));
    EXPECT_TRUE(app.Call(L"Quit").ok());
}

TEST_F(ServerTest, CopyRefusesBothAnchorsAndAnchorsOutsideTheInstance) {
    Disp app = StartExcel();
    Disp other = StartExcel();
    ASSERT_TRUE(app && other);
    Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
    Disp sheet = book.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I4(1)));
    Disp otherBook = other.GetObj(L"Workbooks").CallObj(L"Add");
    Disp otherSheet = otherBook.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I4(1)));
    EXPECT_EQ(L"Book1", otherBook.GetString(L"Name"));  // numbering is per instance

    struct Case {
        const char* what;
        IDispatch* before;
        IDispatch* after;
    } cases[] = {
        {"both anchors", sheet.get(), sheet.get()},
        {"a sheet of another instance", otherSheet.get(), nullptr},
        {"a workbook, not a sheet", nullptr, book.get()},
    };
    for (const Case& c : cases) {
        std::vector<Var> args;
        args.push_back(c.before ? Var::Object(c.before) : Var::Omitted());
        args.push_back(c.after ? Var::Object(c.after) : Var::Omitted());
        Outcome refused = sheet.Call(L"Copy", std::move(args));
        EXPECT_EQ(DISP_E_EXCEPTION, refused.hr) << c.what;
        EXPECT_EQ(kExcelError, refused.scode) << c.what;
        EXPECT_NE(std::wstring::npos, refused.description.find(L"Sheet1")) << c.what;
    }
    EXPECT_EQ(1, book.GetObj(L"Sheets").GetLong(L"Count"));
    EXPECT_EQ(1, otherBook.GetObj(L"Sheets").GetLong(L"Count"));
    EXPECT_EQ(1, app.GetObj(L"Workbooks").GetLong(L"Count"));
    EXPECT_TRUE(app.Call(L"Quit").ok());
    EXPECT_TRUE(other.Call(L"Quit").ok());
}

TEST_F(ServerTest, ArgumentsByReferenceNamedAndMalformed) {
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
    Disp sheets = book.GetObj(L"Sheets");
    VARIANT index;
    VariantInit(&index);
    V_VT(&index) = VT_I2;
    V_I2(&index) = 1;
    EXPECT_EQ(L"Sheet1", sheets.GetObj(L"Item", Args(Var::RefTo(&index))).GetString(L"Name"));

    // Copy(After:=sheet) by name, the anchor passed by reference.
    Disp sheet = sheets.GetObj(L"Item", Args(Var::I4(1)));
    VARIANT anchor;
    VariantInit(&anchor);
    V_VT(&anchor) = VT_DISPATCH;
    V_DISPATCH(&anchor) = sheet.get();
    sheet.get()->AddRef();  // a by-reference argument owns what it holds (the callee may replace it)
    Named after;
    after.emplace_back(L"After", Var::RefTo(&anchor));
    EXPECT_TRUE(sheet.Call(L"Copy", {}, std::move(after)).ok());
    VariantClear(&anchor);
    EXPECT_EQ(L"Sheet1 (2)", sheets.GetObj(L"Item", Args(Var::I4(2))).GetString(L"Name"));

    Named unknown;
    unknown.emplace_back(L"NoSuchParameter", Var::I4(1));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, sheet.Call(L"Copy", {}, std::move(unknown)).hr);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, app.Call(L"NoSuchMember").hr);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, sheets.Invoke(L"Item", DISPATCH_METHOD, Args(Var::Object(book.get()))).hr);
    std::vector<Var> tooMany;
    tooMany.push_back(Var::Omitted());
    tooMany.push_back(Var::Omitted());
    tooMany.push_back(Var::Omitted());
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, sheet.Call(L"Copy", std::move(tooMany)).hr);
    // Any locale identifier is accepted.
    EXPECT_TRUE(sheets.Invoke(L"Count", DISPATCH_PROPERTYGET, {}, {}, 0x0411).ok());
    EXPECT_TRUE(app.Call(L"Quit").ok());
}

TEST_F(ServerTest, PathsOutsideTheAnsiCodePageRoundTrip) {
    const std::wstring sub = *folder_ / L"データ Ωü€ 😀";
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    const std::wstring path = sub + L"\\名前ǅ 😀.xlsx";
    {
        Disp app = StartExcel();
        ASSERT_TRUE(app);
        Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
        Outcome saved = SaveAsProductStyle(book, path);
        EXPECT_TRUE(saved.ok()) << Utf8(saved.description);
        EXPECT_EQ(path, book.GetString(L"FullName"));
        EXPECT_TRUE(book.Call(L"Close").ok());
        Disp again = OpenAllOmitted(app.GetObj(L"Workbooks"), path);
        EXPECT_EQ(L"名前ǅ 😀.xlsx", again.GetString(L"Name"));
        EXPECT_TRUE(app.Call(L"Quit").ok());
    }
    EXPECT_EQ((std::vector<std::string>{"Sheet1"}), SheetNamesOf(path));
    EXPECT_EQ((std::vector<std::wstring>{L"名前ǅ 😀.xlsx"}), FilesIn(sub));  // no temporary file left
}

}  // namespace
}  // namespace zelmo::standin_test
