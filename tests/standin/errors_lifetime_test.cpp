// Failures as the client sees them (DISP_E_EXCEPTION, Excel's code, a Japanese description naming
// the file), the overwrite question answered both ways, the journal, fault injection, and the
// server's lifetime around Quit.
#include "server_fixture.h"

namespace zelmo::standin_test {
namespace {

std::vector<Var> Args(Var a) {
    std::vector<Var> v;
    v.push_back(std::move(a));
    return v;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

bool JournalHas(const std::vector<std::wstring>& lines, const std::wstring& part) {
    for (const auto& line : lines)
        if (Contains(line, part)) return true;
    return false;
}

TEST_F(ServerTest, OpenFailuresNameTheFileAndTheCauseAndOpenNothing) {
    const std::wstring good = *folder_ / L"good.xlsx";
    MakeBook(good, {"S"});
    const std::string goodBytes = ReadBytes(good);
    const std::wstring folderPath = *folder_ / L"folder.xlsx";
    CreateDirectoryW(folderPath.c_str(), nullptr);
    struct Case {
        const wchar_t* name;
        std::string bytes;
        bool create;
        const wchar_t* cause;  // a word of the expected description
    } cases[] = {
        {L"missing.xlsx", "", false, L"見つかりません"},
        {L"folder.xlsx", "", false, L"フォルダー"},
        {L"text.xlsx", "just some text, not a package", true, L"ブック"},
        {L"empty.xlsx", "", true, L"ブック"},
        {L"truncated.xlsx", goodBytes.substr(0, goodBytes.size() / 2), true, L""},
        {L"old.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'), true, L""},
    };
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp books = app.GetObj(L"Workbooks");
    for (const Case& c : cases) {
        const std::wstring path = *folder_ / c.name;
        if (c.create) WriteBytes(path, c.bytes);
        Outcome failed = books.Call(L"Open", Args(Var::Str(path)));
        EXPECT_EQ(DISP_E_EXCEPTION, failed.hr) << Utf8(c.name);
        EXPECT_EQ(kExcelError, failed.scode) << Utf8(c.name);
        EXPECT_FALSE(failed.source.empty()) << Utf8(c.name);
        EXPECT_TRUE(Contains(failed.description, path)) << Utf8(failed.description);
        EXPECT_TRUE(Contains(failed.description, c.cause)) << Utf8(failed.description);
    }
    EXPECT_EQ(0, books.GetLong(L"Count"));
    // A name taken by an open book cannot be opened a second time from elsewhere.
    const std::wstring sub = *folder_ / L"sub";
    CreateDirectoryW(sub.c_str(), nullptr);
    MakeBook(sub + L"\\good.xlsx", {"T"});
    EXPECT_TRUE(books.CallObj(L"Open", Args(Var::Str(good))));
    EXPECT_EQ(kExcelError, books.Call(L"Open", Args(Var::Str(sub + L"\\good.xlsx"))).scode);
    EXPECT_EQ(1, books.GetLong(L"Count"));
    EXPECT_TRUE(app.Call(L"Quit").ok());
}

TEST_F(ServerTest, SaveAsOverAnExistingFileAsksAndNoKeepsTheFile) {
    const std::wstring target = *folder_ / L"新ExcelFile.xlsx";
    WriteBytes(target, "the old file");
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
    {
        BoxAnswerer answer(IDNO);
        Outcome refused = book.Call(L"SaveAs", Args(Var::Str(target)));
        answer.Join();
        ASSERT_TRUE(answer.seen().found);
        EXPECT_TRUE(Contains(answer.seen().text, target)) << Utf8(answer.seen().text);
        EXPECT_TRUE(Contains(answer.seen().text, L"置き換えますか")) << Utf8(answer.seen().text);
        EXPECT_EQ(IDNO, answer.seen().defaultButton);
        EXPECT_EQ(IDNO, answer.seen().focusButton);
        EXPECT_EQ(DISP_E_EXCEPTION, refused.hr);
        EXPECT_EQ(kExcelError, refused.scode);
        EXPECT_TRUE(Contains(refused.description, target));
        EXPECT_EQ("the old file", ReadBytes(target));
        EXPECT_EQ(L"Book1", book.GetString(L"Name"));
    }
    {
        BoxAnswerer answer(IDYES);
        Outcome saved = book.Call(L"SaveAs", Args(Var::Str(target)));
        answer.Join();
        EXPECT_TRUE(answer.seen().found);
        EXPECT_TRUE(saved.ok()) << Utf8(saved.description);
        EXPECT_EQ((std::vector<std::string>{"Sheet1"}), SheetNamesOf(target));
    }
    {
        // With alerts off the file is replaced without a question.
        EXPECT_TRUE(app.Put(L"DisplayAlerts", Var::Bool(false)).ok());
        Disp other = app.GetObj(L"Workbooks").CallObj(L"Add");
        Disp sheet = other.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I4(1)));
        Named after;
        after.emplace_back(L"After", Var::Object(sheet.get()));
        EXPECT_TRUE(sheet.Call(L"Copy", {}, std::move(after)).ok());
        WriteBytes(*folder_ / L"plain.xlsx", "old");
        BoxAnswerer answer(IDNO, 2000);
        EXPECT_TRUE(other.Call(L"SaveAs", Args(Var::Str(*folder_ / L"plain.xlsx"))).ok());
        answer.Join();
        EXPECT_FALSE(answer.seen().found);
        EXPECT_EQ((std::vector<std::string>{"Sheet1", "Sheet1 (2)"}), SheetNamesOf(*folder_ / L"plain.xlsx"));
    }
    EXPECT_TRUE(app.Call(L"Quit").ok());
}

TEST_F(ServerTest, SaveAsFailsWithoutWritingWhenTheNameOrFolderIsUnusable) {
    const std::wstring open = *folder_ / L"open.xlsx";
    MakeBook(open, {"S"});
    const std::wstring sub = *folder_ / L"sub";
    CreateDirectoryW(sub.c_str(), nullptr);
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp books = app.GetObj(L"Workbooks");
    EXPECT_TRUE(books.CallObj(L"Open", Args(Var::Str(open))));
    Disp book = books.CallObj(L"Add");
    const std::wstring cases[] = {
        sub + L"\\open.xlsx",                   // the name of a book open in the same instance
        *folder_ / L"no such folder\\x.xlsx",  // a folder that does not exist
        sub,                                     // a folder
    };
    for (const std::wstring& path : cases) {
        Outcome failed = book.Call(L"SaveAs", Args(Var::Str(path)));
        EXPECT_EQ(DISP_E_EXCEPTION, failed.hr) << Utf8(path);
        EXPECT_EQ(kExcelError, failed.scode) << Utf8(path);
        EXPECT_TRUE(Contains(failed.description, path)) << Utf8(failed.description);
    }
    EXPECT_EQ(std::vector<std::wstring>{}, FilesIn(sub));
    EXPECT_EQ(L"Book1", book.GetString(L"Name"));
    EXPECT_TRUE(app.Call(L"Quit").ok());
}

TEST_F(ServerTest, JournalRecordsEveryCallWithTypesLocaleAndOutcome) {
    {
        Disp app = StartExcel();
        ASSERT_TRUE(app);
        Disp books = app.GetObj(L"Workbooks");
        Disp book = books.CallObj(L"Add", Args(Var::Omitted()));
        books.Call(L"Open", Args(Var::Str(*folder_ / L"missing.xlsx")));
        std::vector<Var> saveArgs;
        saveArgs.push_back(Var::Str(*folder_ / L"out.xlsx"));
        Named mode;
        mode.emplace_back(L"AccessMode", Var::I4(1));
        EXPECT_TRUE(book.Call(L"SaveAs", std::move(saveArgs), std::move(mode)).ok());
        EXPECT_TRUE(app.Call(L"Quit").ok());
    }
    ASSERT_TRUE(WaitNoServer(10000));
    const auto lines = Journal();
    EXPECT_TRUE(JournalHas(lines, L"server start")) << lines.size();
    EXPECT_TRUE(JournalHas(lines, L"Application#1.Workbooks METHOD|GET() lcid=1033 -> VT_DISPATCH:Workbooks"));
    EXPECT_TRUE(JournalHas(lines, L"Workbooks.Add METHOD(Template=VT_ERROR:omitted) lcid=1033 -> VT_DISPATCH:Workbook \"Book1\""));
    EXPECT_TRUE(JournalHas(lines, L"Workbooks.Open METHOD(Filename=VT_BSTR:\"" + *folder_ / L"missing.xlsx" +
                                      L"\") lcid=1033 -> error 0x800A03EC"));
    EXPECT_TRUE(JournalHas(lines, L"Workbook \"Book1\".SaveAs METHOD(Filename=VT_BSTR:\"" + *folder_ / L"out.xlsx" +
                                      L"\", AccessMode:=VT_I4:1) lcid=1033 -> VT_EMPTY"));
    EXPECT_TRUE(JournalHas(lines, L"Application#1.Quit METHOD()"));
    EXPECT_TRUE(JournalHas(lines, L"server exit"));
}

TEST_F(ServerTest, InjectedFaultsFailTheChosenCallsOnly) {
    const std::wstring source = *folder_ / L"src.xlsx";
    MakeBook(source, {"a1", "b1"});
    WriteBytes(*folder_ / L"bad.xlsx", ReadBytes(source));
    SetFaults(L"SaveAs#2; Copy:b1; Open:bad.xlsx");
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp books = app.GetObj(L"Workbooks");
    Disp src = books.CallObj(L"Open", Args(Var::Str(source)));
    Outcome badOpen = books.Call(L"Open", Args(Var::Str(*folder_ / L"bad.xlsx")));
    EXPECT_EQ(DISP_E_EXCEPTION, badOpen.hr);
    EXPECT_EQ(kExcelError, badOpen.scode);

    Disp target = books.CallObj(L"Add");
    Disp last = target.GetObj(L"Sheets").GetObj(L"Item", Args(Var::I4(1)));
    std::vector<std::wstring> failedCopies;
    for (const wchar_t* name : {L"a1", L"b1"}) {
        Disp sheet = src.GetObj(L"Sheets").GetObj(L"Item", Args(Var::Str(name)));
        Named after;
        after.emplace_back(L"After", Var::Object(last.get()));
        Outcome copied = sheet.Call(L"Copy", {}, std::move(after));
        if (!copied.ok()) failedCopies.push_back(name);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"b1"}, failedCopies);
    EXPECT_EQ(2, target.GetObj(L"Sheets").GetLong(L"Count"));

    std::vector<bool> saves;
    for (int i = 1; i <= 3; ++i)
        saves.push_back(target.Call(L"SaveAs", Args(Var::Str(*folder_ / (L"out" + std::to_wstring(i) + L".xlsx")))).ok());
    EXPECT_EQ((std::vector<bool>{true, false, true}), saves);
    EXPECT_FALSE(FileExists(*folder_ / L"out2.xlsx"));
    EXPECT_TRUE(app.Call(L"Quit").ok());
}

TEST_F(ServerTest, QuitEndsTheServerOnceTheClientLetsGo) {
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
    EXPECT_TRUE(app.Call(L"Quit").ok());
    // Calls after Quit fail instead of touching discarded books.
    EXPECT_EQ(DISP_E_EXCEPTION, book.Invoke(L"Name", DISPATCH_PROPERTYGET).hr);
    EXPECT_FALSE(ServerProcesses().empty());
    const ULONGLONG released = GetTickCount64();
    book.Reset();
    app.Reset();
    EXPECT_TRUE(WaitNoServer(3000));
    EXPECT_LT(GetTickCount64() - released, 3000u);
}

TEST_F(ServerTest, QuitBoundsTheWaitForReferencesStillHeld) {
    Disp app = StartExcel();
    ASSERT_TRUE(app);
    Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
    EXPECT_TRUE(app.Call(L"Quit").ok());
    const ULONGLONG quit = GetTickCount64();
    EXPECT_TRUE(WaitNoServer(10000));  // while `book` and `app` are still held
    const ULONGLONG waited = GetTickCount64() - quit;
    EXPECT_GE(waited, 4000u);
    EXPECT_LT(waited, 8000u);
    EXPECT_TRUE(JournalHas(Journal(), L"server held Workbook \"Book1\""));
    EXPECT_FALSE(book.Invoke(L"Name", DISPATCH_PROPERTYGET).ok());  // the server is gone
}

TEST_F(ServerTest, ReleasingEverythingWithoutQuitEndsTheServer) {
    {
        Disp app = StartExcel();
        ASSERT_TRUE(app);
        Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
        EXPECT_EQ(1u, ServerProcesses().size());
    }
    EXPECT_TRUE(WaitNoServer(3000));
}

}  // namespace
}  // namespace zelmo::standin_test
