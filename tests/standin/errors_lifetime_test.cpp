// Failures as the client sees them (Excel's code and a Japanese description naming the file), the
// overwrite question answered both ways, the journal, fault injection, and the server's lifetime
// around Quit.
#include "server_fixture.h"
#include "win/local_server.h"

namespace zelmo::standin_test {
namespace {

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

Dispatch BooksOf(const Dispatch& app) { return app.Get(L"Workbooks").ToDispatch(); }
Dispatch FirstSheet(const Dispatch& book) { return book.Get(L"Sheets").ToDispatch().GetDefault(int32_t{1}).ToDispatch(); }

TEST_F(ServerTest, OpenFailuresNameTheFileAndTheCauseAndOpenNothing) {
    const std::wstring good = *folder_ / L"good.xlsx";
    MakeBook(good, {"S"});
    const std::string goodBytes = ReadBytes(good);
    CreateDirectoryW((*folder_ / L"folder.xlsx").c_str(), nullptr);
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
    const Dispatch app = StartExcel();
    const Dispatch books = BooksOf(app);
    for (const Case& c : cases) {
        const std::wstring path = *folder_ / c.name;
        if (c.create) WriteBytes(path, c.bytes);
        const Failure failed = FailureOf([&] { books.Call(L"Open", path); });
        EXPECT_EQ(kExcelErrorCode, failed.hr) << Utf8(c.name);
        EXPECT_FALSE(failed.source.empty()) << Utf8(c.name);
        EXPECT_TRUE(Contains(failed.description, path)) << Utf8(failed.description);
        EXPECT_TRUE(Contains(failed.description, c.cause)) << Utf8(failed.description);
    }
    EXPECT_EQ(0, books.Get(L"Count").ToInt32());
    // A name taken by an open book cannot be opened a second time from elsewhere.
    const std::wstring sub = *folder_ / L"sub";
    CreateDirectoryW(sub.c_str(), nullptr);
    MakeBook(sub + L"\\good.xlsx", {"T"});
    books.Call(L"Open", good);
    EXPECT_EQ(kExcelErrorCode, FailureOf([&] { books.Call(L"Open", sub + L"\\good.xlsx"); }).hr);
    EXPECT_EQ(1, books.Get(L"Count").ToInt32());
    app.Call(L"Quit");
}

TEST_F(ServerTest, SaveAsOverAnExistingFileAsksAndNoKeepsTheFile) {
    const std::wstring target = *folder_ / L"新ExcelFile.xlsx";
    WriteBytes(target, "the old file");
    const Dispatch app = StartExcel();
    const Dispatch book = BooksOf(app).Call(L"Add").ToDispatch();
    {
        QuestionAnswerer answer(IDNO);
        const Failure refused = FailureOf([&] { book.Call(L"SaveAs", target); });
        answer.Join();
        ASSERT_TRUE(answer.seen().found);
        EXPECT_TRUE(Contains(answer.seen().text, target)) << Utf8(answer.seen().text);
        EXPECT_TRUE(Contains(answer.seen().text, L"置き換えますか")) << Utf8(answer.seen().text);
        EXPECT_EQ(IDNO, answer.seen().defaultButton);
        EXPECT_EQ(IDNO, answer.seen().focusButton);
        EXPECT_EQ(kExcelErrorCode, refused.hr);
        EXPECT_TRUE(Contains(refused.description, target));
        EXPECT_EQ("the old file", ReadBytes(target));
        EXPECT_EQ(L"Book1", book.Get(L"Name").ToString());
    }
    {
        QuestionAnswerer answer(IDYES);
        const Failure none = FailureOf([&] { book.Call(L"SaveAs", target); });
        answer.Join();
        EXPECT_TRUE(answer.seen().found);
        EXPECT_FALSE(none.failed) << Utf8(none.description);
        EXPECT_EQ((std::vector<std::string>{"Sheet1"}), test::SheetsOf(target));
    }
    {
        // With alerts off the file is replaced without a question.
        app.Put(L"DisplayAlerts", Variant(false));
        const Dispatch other = BooksOf(app).Call(L"Add").ToDispatch();
        const Dispatch sheet = FirstSheet(other);
        sheet.Call(L"Copy", Named{L"After", sheet});
        WriteBytes(*folder_ / L"plain.xlsx", "old");
        QuestionAnswerer answer(IDNO, 2000);
        other.Call(L"SaveAs", *folder_ / L"plain.xlsx");
        answer.Join();
        EXPECT_FALSE(answer.seen().found);
        EXPECT_EQ((std::vector<std::string>{"Sheet1", "Sheet1 (2)"}), test::SheetsOf(*folder_ / L"plain.xlsx"));
    }
    app.Call(L"Quit");
}

TEST_F(ServerTest, SaveAsFailsWithoutWritingWhenTheNameOrFolderIsUnusable) {
    const std::wstring open = *folder_ / L"open.xlsx";
    MakeBook(open, {"S"});
    const std::wstring sub = *folder_ / L"sub";
    CreateDirectoryW(sub.c_str(), nullptr);
    const Dispatch app = StartExcel();
    BooksOf(app).Call(L"Open", open);
    const Dispatch book = BooksOf(app).Call(L"Add").ToDispatch();
    const std::wstring cases[] = {
        sub + L"\\open.xlsx",                   // the name of a book open in the same instance
        *folder_ / L"no such folder\\x.xlsx",  // a folder that does not exist
        sub,                                     // a folder
    };
    for (const std::wstring& path : cases) {
        const Failure failed = FailureOf([&] { book.Call(L"SaveAs", path); });
        EXPECT_EQ(kExcelErrorCode, failed.hr) << Utf8(path);
        EXPECT_TRUE(Contains(failed.description, path)) << Utf8(failed.description);
    }
    EXPECT_EQ(std::vector<std::wstring>{}, FilesIn(sub));
    EXPECT_EQ(L"Book1", book.Get(L"Name").ToString());
    app.Call(L"Quit");
}

TEST_F(ServerTest, JournalRecordsEveryCallWithTypesLocaleAndOutcome) {
    {
        const Dispatch app = StartExcel();
        const Dispatch book = BooksOf(app).Call(L"Add", Variant::Missing()).ToDispatch();
        FailureOf([&] { BooksOf(app).Call(L"Open", *folder_ / L"missing.xlsx"); });
        book.Call(L"SaveAs", *folder_ / L"out.xlsx", Named{L"AccessMode", int32_t{1}});
        app.Call(L"Quit");
    }
    ASSERT_TRUE(WaitNoServer(10000));
    EXPECT_TRUE(JournalHas(L"server start"));
    EXPECT_TRUE(JournalHas(L"Application#1.Workbooks GET() lcid=1033 -> VT_DISPATCH:Workbooks"));
    EXPECT_TRUE(JournalHas(L"Workbooks.Add METHOD|GET(Template=VT_ERROR:omitted) lcid=1033 -> VT_DISPATCH:Workbook \"Book1\""));
    EXPECT_TRUE(JournalHas(L"Workbooks.Open METHOD|GET(Filename=VT_BSTR:\"" + *folder_ / L"missing.xlsx" +
                           L"\") lcid=1033 -> error 0x800A03EC"));
    EXPECT_TRUE(JournalHas(L"Workbook \"Book1\".SaveAs METHOD|GET(Filename=VT_BSTR:\"" + *folder_ / L"out.xlsx" +
                           L"\", AccessMode:=VT_I4:1) lcid=1033 -> VT_EMPTY"));
    EXPECT_TRUE(JournalHas(L"Application#1.Quit METHOD|GET()"));
    EXPECT_TRUE(JournalHas(L"server exit"));
}

TEST_F(ServerTest, InjectedFaultsFailTheChosenCallsOnly) {
    const std::wstring source = *folder_ / L"src.xlsx";
    MakeBook(source, {"a1", "b1"});
    WriteBytes(*folder_ / L"bad.xlsx", ReadBytes(source));
    SetServerFaults(L"SaveAs#2; Copy:b1; Open:bad.xlsx");
    const Dispatch app = StartExcel();
    const Dispatch books = BooksOf(app);
    const Dispatch src = books.Call(L"Open", source).ToDispatch();
    EXPECT_EQ(kExcelErrorCode, FailureOf([&] { books.Call(L"Open", *folder_ / L"bad.xlsx"); }).hr);

    const Dispatch target = books.Call(L"Add").ToDispatch();
    const Dispatch last = FirstSheet(target);
    std::vector<std::wstring> failedCopies;
    for (const wchar_t* name : {L"a1", L"b1"}) {
        const Dispatch sheet = ItemOf(src.Get(L"Sheets").ToDispatch(), name);
        if (FailureOf([&] { sheet.Call(L"Copy", Named{L"After", last}); }).failed) failedCopies.push_back(name);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"b1"}, failedCopies);
    EXPECT_EQ(2, target.Get(L"Sheets").ToDispatch().Get(L"Count").ToInt32());

    std::vector<bool> saves;
    for (int i = 1; i <= 3; ++i)
        saves.push_back(!FailureOf([&] { target.Call(L"SaveAs", *folder_ / (L"out" + std::to_wstring(i) + L".xlsx")); }).failed);
    EXPECT_EQ((std::vector<bool>{true, false, true}), saves);
    EXPECT_FALSE(FileExists(*folder_ / L"out2.xlsx"));
    app.Call(L"Quit");
}

TEST_F(ServerTest, QuitEndsTheServerOnceTheClientLetsGo) {
    Dispatch app = StartExcel();
    Dispatch book = BooksOf(app).Call(L"Add").ToDispatch();
    app.Call(L"Quit");
    // Calls after Quit fail instead of touching discarded books.
    EXPECT_EQ(kExcelErrorCode, FailureOf([&] { book.Get(L"Name"); }).hr);
    EXPECT_FALSE(ServerProcesses().empty());
    const ULONGLONG released = GetTickCount64();
    book.reset();
    app.reset();
    EXPECT_TRUE(WaitNoServer(3000));
    EXPECT_LT(GetTickCount64() - released, 3000u);
}

TEST_F(ServerTest, QuitBoundsTheWaitForReferencesStillHeld) {
    const Dispatch app = StartExcel();
    const Dispatch book = BooksOf(app).Call(L"Add").ToDispatch();
    app.Call(L"Quit");
    const ULONGLONG quit = GetTickCount64();
    EXPECT_TRUE(WaitNoServer(10000));  // while `book` and `app` are still held
    const ULONGLONG waited = GetTickCount64() - quit;
    EXPECT_GE(waited, 4000u);
    EXPECT_LT(waited, 8000u);
    EXPECT_TRUE(JournalHas(L"server held Workbook \"Book1\""));
    EXPECT_TRUE(FailureOf([&] { book.Get(L"Name"); }).failed);  // the server is gone
}

TEST_F(ServerTest, ReleasingEverythingWithoutQuitEndsTheServer) {
    {
        const Dispatch app = StartExcel();
        const Dispatch book = BooksOf(app).Call(L"Add").ToDispatch();
        EXPECT_EQ(1u, ServerProcesses().size());
    }
    EXPECT_TRUE(WaitNoServer(3000));
}

// A client under Wine may start the server itself before creating the instance (COM's own start
// waits a fixed second). The instance must then come from that very process, which watches its
// client as one started by COM does; one that no client takes ends by itself.
TEST_F(ServerTest, AServerStartedAheadServesTheNextInstanceOrEndsUnused) {
    CLSID clsid{};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Excel.Application", &clsid));
    EXPECT_FALSE(win::StartLocalServerAhead(clsid, L"EXCEL.EXE", 100));  // another program's name
    EXPECT_TRUE(ServerProcesses().empty());

    ASSERT_TRUE(win::StartLocalServerAhead(clsid, kServerExe));
    const std::vector<DWORD> started = ServerProcesses();
    ASSERT_EQ(1u, started.size());
    {
        Dispatch app = StartExcel();
        EXPECT_EQ(started, ServerProcesses());
        EXPECT_TRUE(JournalHas(L"parent=" + std::to_wstring(GetCurrentProcessId()) + L" "));
        BooksOf(app).Call(L"Add");
        app.Call(L"Quit");
    }
    EXPECT_TRUE(WaitNoServer(3000));

    ASSERT_TRUE(win::StartLocalServerAhead(clsid, kServerExe));
    EXPECT_EQ(1u, ServerProcesses().size());
    EXPECT_TRUE(WaitNoServer(10000));
    EXPECT_TRUE(JournalHas(L"server end: no client took an object"));
}

}  // namespace
}  // namespace zelmo::standin_test
