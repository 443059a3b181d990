// The object model across processes, driven as the product drives it: open, add, enumerate, find
// the last sheet, copy before or after, save; Excel's names and defaults; named, omitted, by-reference
// and 16-bit arguments; paths outside the ANSI code page.
#include <windows.h>
#include <ole2.h>

#include "server_fixture.h"

namespace zelmo::standin_test {
namespace {

Variant Missing() { return Variant::Missing(); }

// Workbooks.Open with FileName and its 14 optional arguments passed as omitted.
Dispatch OpenAllOmitted(const Dispatch& app, const std::wstring& path) {
    return app.Get(L"Workbooks")
        .ToDispatch()
        .Call(L"Open", path, Missing(), Missing(), Missing(), Missing(), Missing(), Missing(), Missing(), Missing(),
              Missing(), Missing(), Missing(), Missing(), Missing(), Missing())
        .ToDispatch();
}

// Workbook.SaveAs as the product calls it: Filename, AccessMode 1, everything else omitted.
void SaveAsProductStyle(const Dispatch& book, const std::wstring& path) {
    book.Call(L"SaveAs", path, Missing(), Missing(), Missing(), Missing(), Missing(), int32_t{1}, Missing(), Missing(),
              Missing(), Missing(), Missing());
}

Dispatch AddBook(const Dispatch& app) { return app.Get(L"Workbooks").ToDispatch().Call(L"Add", Missing()).ToDispatch(); }
Dispatch SheetsOf(const Dispatch& book) { return book.Get(L"Sheets").ToDispatch(); }

TEST_F(ServerTest, NewInstanceHasExcelDefaultsNamesAndInterfaces) {
    const Dispatch app = StartExcel();
    EXPECT_TRUE(Answers(app, kIidApplication));
    EXPECT_FALSE(app.Get(L"Visible").ToBool());
    EXPECT_TRUE(app.Get(L"DisplayAlerts").ToBool());

    const Dispatch books = app.Get(L"Workbooks").ToDispatch();
    EXPECT_TRUE(Answers(books, kIidWorkbooks));
    const Dispatch first = books.Call(L"Add", Missing()).ToDispatch();
    const Dispatch second = books.Call(L"Add").ToDispatch();
    EXPECT_TRUE(Answers(first, kIidWorkbook));
    EXPECT_EQ(L"Book1", first.Get(L"Name").ToString());
    EXPECT_EQ(L"Book1", first.Get(L"FullName").ToString());
    EXPECT_EQ(L"Book2", second.Get(L"Name").ToString());
    EXPECT_EQ(2, books.Get(L"Count").ToInt32());
    EXPECT_EQ(L"Book2", ItemOf(books, L"book2").Get(L"Name").ToString());

    const Dispatch sheets = SheetsOf(first);
    EXPECT_TRUE(Answers(sheets, kIidSheets));
    EXPECT_EQ(1, sheets.Get(L"Count").ToInt32());
    // The default member with a 32-bit and a 16-bit index, and Item by name ignoring case.
    const Dispatch sheet = sheets.GetDefault(int32_t{1}).ToDispatch();
    EXPECT_TRUE(Answers(sheet, kIidWorksheet));
    EXPECT_EQ(L"Sheet1", sheet.Get(L"Name").ToString());
    EXPECT_EQ(1, sheet.Get(L"Index").ToInt32());
    EXPECT_EQ(L"Sheet1", sheets.GetDefault(int16_t{1}).ToDispatch().Get(L"Name").ToString());
    EXPECT_EQ(L"Sheet1", ItemOf(first.Get(L"Worksheets").ToDispatch(), L"SHEET1").Get(L"Name").ToString());

    const Failure outOfRange = FailureOf([&] { sheets.GetDefault(int32_t{2}); });
    EXPECT_EQ(DISP_E_BADINDEX, outOfRange.hr);
    EXPECT_FALSE(outOfRange.description.empty());
    app.Call(L"Quit");
}

// COM identity: the two references reach one object of the server.
bool SameObject(const Dispatch& a, const Dispatch& b) {
    win::ComPtr<IUnknown> ua, ub;
    if (FAILED(a.get()->QueryInterface(IID_IUnknown, ua.put_void()))) return false;
    if (FAILED(b.get()->QueryInterface(IID_IUnknown, ub.put_void()))) return false;
    return ua.get() == ub.get();
}

// Workbooks and each book's Sheets and Worksheets are one object each, whichever call answers
// them, and such an object held across changes still reads the book as it is now.
TEST_F(ServerTest, CollectionPropertiesAnswerOneObjectEachThatStaysCurrent) {
    const Dispatch app = StartExcel();
    EXPECT_TRUE(SameObject(app.Get(L"Workbooks").ToDispatch(), app.Get(L"Workbooks").ToDispatch()));
    const Dispatch book = AddBook(app);
    const Dispatch other = AddBook(app);
    const Dispatch sheets = SheetsOf(book);
    EXPECT_TRUE(SameObject(sheets, SheetsOf(book)));
    EXPECT_TRUE(SameObject(book.Get(L"Worksheets").ToDispatch(), book.Get(L"Worksheets").ToDispatch()));
    EXPECT_FALSE(SameObject(sheets, book.Get(L"Worksheets").ToDispatch()));
    EXPECT_FALSE(SameObject(sheets, SheetsOf(other)));

    SheetsOf(other).GetDefault(int32_t{1}).ToDispatch().Call(L"Copy", Missing(), sheets.GetDefault(int32_t{1}));
    EXPECT_EQ(2, sheets.Get(L"Count").ToInt32());
    EXPECT_EQ(L"Sheet1 (2)", sheets.GetDefault(int32_t{2}).ToDispatch().Get(L"Name").ToString());
    app.Call(L"Quit");
}

TEST_F(ServerTest, MergeAppendsEverySheetBehindTheLastAndKeepsSources) {
    const std::wstring a = *folder_ / L"a.xlsx";
    const std::wstring b = *folder_ / L"b.xlsx";
    MakeBook(a, {"a1", "a2"});
    MakeBook(b, {"b1", "Sheet1"});
    const std::string aBytes = ReadBytes(a);
    const std::wstring out = *folder_ / test::kMergedBook;
    {
        const Dispatch app = StartExcel();
        std::vector<Dispatch> sources;
        sources.push_back(OpenAllOmitted(app, a));
        sources.push_back(app.Get(L"Workbooks").ToDispatch().Call(L"Open", Named{L"Filename", b}).ToDispatch());
        EXPECT_EQ(L"a.xlsx", sources[0].Get(L"Name").ToString());
        EXPECT_EQ(a, sources[0].Get(L"FullName").ToString());
        const Dispatch target = AddBook(app);
        for (const Dispatch& source : sources) {
            Dispatch::Enumerator members = SheetsOf(source).Enumerate();
            while (auto member = members.Next()) {
                const int32_t count = SheetsOf(target).Get(L"Count").ToInt32();
                const Dispatch last = SheetsOf(target).GetDefault(count).ToDispatch();
                member->ToDispatch().Call(L"Copy", Missing(), last);
            }
        }
        SaveAsProductStyle(target, out);
        EXPECT_EQ(L"新ExcelFile.xlsx", target.Get(L"Name").ToString());
        app.Call(L"Quit");
    }
    EXPECT_EQ((std::vector<std::string>{"Sheet1", "a1", "a2", "b1", "Sheet1 (2)"}), test::SheetsOf(out));
    EXPECT_EQ(aBytes, ReadBytes(a));
}

TEST_F(ServerTest, SplitCopiesEachSheetBeforeTheFirstSheetOfANewBook) {
    const std::wstring source = *folder_ / L"Book1.xlsx";
    MakeBook(source, {"東京", "Sheet1", "Data"});
    {
        const Dispatch app = StartExcel();
        const Dispatch book = OpenAllOmitted(app, source);
        const int32_t count = SheetsOf(book).Get(L"Count").ToInt32();
        ASSERT_EQ(3, count);
        std::vector<Dispatch> newBooks;
        for (int16_t j = 1; j <= count; ++j) {
            const Dispatch sheet = SheetsOf(book).GetDefault(j).ToDispatch();
            newBooks.push_back(AddBook(app));
            sheet.Call(L"Copy", Named{L"Before", SheetsOf(newBooks.back()).GetDefault(int16_t{1})});
            SaveAsProductStyle(newBooks.back(), *folder_ / (L"新Book1." + std::to_wstring(j) + L".xlsx"));
        }
        app.Call(L"Quit");
    }
    EXPECT_EQ((std::vector<std::string>{"東京", "Sheet1"}), test::SheetsOf(*folder_ / L"新Book1.1.xlsx"));
    EXPECT_EQ((std::vector<std::string>{"Sheet1 (2)", "Sheet1"}), test::SheetsOf(*folder_ / L"新Book1.2.xlsx"));
    EXPECT_EQ((std::vector<std::string>{"Data", "Sheet1"}), test::SheetsOf(*folder_ / L"新Book1.3.xlsx"));
}

std::wstring TestData(const std::wstring& name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + L"data\\" + name;
}

TEST_F(ServerTest, ChartSheetsAreMembersOfSheetsAndCopyLikeWorksheets) {
    const std::wstring out = *folder_ / L"merged.xlsx";
    {
        const Dispatch app = StartExcel();
        const Dispatch source = OpenAllOmitted(app, TestData(L"chartsheet01.xlsx"));
        EXPECT_EQ(2, SheetsOf(source).Get(L"Count").ToInt32());
        EXPECT_EQ(1, source.Get(L"Worksheets").ToDispatch().Get(L"Count").ToInt32());
        const Dispatch chart = SheetsOf(source).GetDefault(int32_t{2}).ToDispatch();
        EXPECT_EQ(L"Chart1", chart.Get(L"Name").ToString());
        EXPECT_TRUE(Answers(chart, kIidChart));
        EXPECT_FALSE(Answers(chart, kIidWorksheet));
        const Dispatch target = AddBook(app);
        Dispatch::Enumerator members = SheetsOf(source).Enumerate();
        while (auto member = members.Next()) {
            const int32_t count = SheetsOf(target).Get(L"Count").ToInt32();
            member->ToDispatch().Call(L"Copy", Missing(), SheetsOf(target).GetDefault(count));
        }
        SaveAsProductStyle(target, out);
        app.Call(L"Quit");
    }
    EXPECT_EQ((std::vector<std::string>{"Sheet1", "Sheet1 (2)", "Chart1"}), test::SheetsOf(out));
}

TEST_F(ServerTest, AStrictWorkbookIsMergedLikeAnyOther) {
    const std::wstring out = *folder_ / L"merged.xlsx";
    {
        const Dispatch app = StartExcel();
        const Dispatch source = OpenAllOmitted(app, TestData(L"sample.strict.xlsx"));
        const Dispatch target = AddBook(app);
        for (int32_t i = 1; i <= 3; ++i) {
            const int32_t count = SheetsOf(target).Get(L"Count").ToInt32();
            SheetsOf(source).GetDefault(i).ToDispatch().Call(L"Copy", Missing(), SheetsOf(target).GetDefault(count));
        }
        SaveAsProductStyle(target, out);
        app.Call(L"Quit");
    }
    EXPECT_EQ((std::vector<std::string>{"Sheet1", "Sheet1 (2)", "rich test", "Sheet3"}), test::SheetsOf(out));
}

TEST_F(ServerTest, CopyWithNeitherAnchorMakesANewBookHoldingTheCopyAlone) {
    const Dispatch app = StartExcel();
    const Dispatch books = app.Get(L"Workbooks").ToDispatch();
    const Dispatch book = books.Call(L"Add").ToDispatch();
    SheetsOf(book).GetDefault(int32_t{1}).ToDispatch().Call(L"Copy");
    ASSERT_EQ(2, books.Get(L"Count").ToInt32());
    const Dispatch made = ItemOf(books, int32_t{2});
    EXPECT_EQ(L"Book2", made.Get(L"Name").ToString());
    EXPECT_EQ(1, SheetsOf(made).Get(L"Count").ToInt32());
    EXPECT_EQ(1, SheetsOf(book).Get(L"Count").ToInt32());
    app.Call(L"Quit");
}

TEST_F(ServerTest, CopyRefusesBothAnchorsAndAnchorsOutsideTheInstance) {
    const Dispatch app = StartExcel();
    const Dispatch other = StartExcel();
    const Dispatch book = AddBook(app);
    const Dispatch sheet = SheetsOf(book).GetDefault(int32_t{1}).ToDispatch();
    const Dispatch otherBook = AddBook(other);
    const Dispatch otherSheet = SheetsOf(otherBook).GetDefault(int32_t{1}).ToDispatch();
    EXPECT_EQ(L"Book1", otherBook.Get(L"Name").ToString());  // numbering is per instance

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
        const Failure refused = FailureOf([&] {
            sheet.Call(L"Copy", c.before ? Variant(c.before) : Missing(), c.after ? Variant(c.after) : Missing());
        });
        EXPECT_EQ(kExcelErrorCode, refused.hr) << c.what;
        EXPECT_NE(std::wstring::npos, refused.description.find(L"Sheet1")) << c.what;
    }
    EXPECT_EQ(1, SheetsOf(book).Get(L"Count").ToInt32());
    EXPECT_EQ(1, SheetsOf(otherBook).Get(L"Count").ToInt32());
    EXPECT_EQ(1, app.Get(L"Workbooks").ToDispatch().Get(L"Count").ToInt32());
    app.Call(L"Quit");
    other.Call(L"Quit");
}

// A VT_BYREF|VT_VARIANT argument pointing at `target`.
Variant ByRef(VARIANT* target) {
    Variant reference;
    VARIANT* raw = reference.Receive();
    raw->vt = VT_VARIANT | VT_BYREF;
    raw->pvarVal = target;
    return reference;
}

TEST_F(ServerTest, ArgumentsByReferenceNamedMalformedAndInAnyLocale) {
    const Dispatch app = StartExcel();
    const Dispatch sheets = SheetsOf(AddBook(app));
    Variant index(int16_t{1});
    EXPECT_EQ(L"Sheet1", ItemOf(sheets, ByRef(index.AsInput())).Get(L"Name").ToString());

    // Copy(After:=sheet), the anchor passed by reference.
    const Dispatch sheet = sheets.GetDefault(int32_t{1}).ToDispatch();
    Variant anchor(sheet.get());
    sheet.Call(L"Copy", Named{L"After", ByRef(anchor.AsInput())});
    EXPECT_EQ(L"Sheet1 (2)", sheets.GetDefault(int32_t{2}).ToDispatch().Get(L"Name").ToString());

    EXPECT_EQ(DISP_E_UNKNOWNNAME, FailureOf([&] { sheet.Call(L"Copy", Named{L"NoSuchParameter", int32_t{1}}); }).hr);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, FailureOf([&] { app.Call(L"NoSuchMember"); }).hr);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, FailureOf([&] { sheets.Call(L"Item", sheets); }).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, FailureOf([&] { sheet.Call(L"Copy", Missing(), Missing(), Missing()); }).hr);

    // Another locale identifier than 1033 is accepted too.
    DISPID count = sheets.IdOf(L"Count");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant result;
    EXPECT_EQ(S_OK, sheets.get()->Invoke(count, IID_NULL, 0x0411, DISPATCH_PROPERTYGET, &none, result.Receive(), nullptr,
                                         nullptr));
    EXPECT_EQ(2, result.ToInt32());
    app.Call(L"Quit");
}

TEST_F(ServerTest, PathsOutsideTheAnsiCodePageRoundTrip) {
    const std::wstring sub = *folder_ / L"データ Ωü€ 😀";
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    const std::wstring path = sub + L"\\名前ǅ 😀.xlsx";
    {
        const Dispatch app = StartExcel();
        const Dispatch book = AddBook(app);
        SaveAsProductStyle(book, path);
        EXPECT_EQ(path, book.Get(L"FullName").ToString());
        book.Call(L"Close");
        EXPECT_EQ(L"名前ǅ 😀.xlsx", OpenAllOmitted(app, path).Get(L"Name").ToString());
        app.Call(L"Quit");
    }
    EXPECT_EQ((std::vector<std::string>{"Sheet1"}), test::SheetsOf(path));
    EXPECT_EQ((std::vector<std::wstring>{L"名前ǅ 😀.xlsx"}), FilesIn(sub));  // no temporary file left
}

}  // namespace
}  // namespace zelmo::standin_test
