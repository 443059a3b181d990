// The Windows pieces of the tests' support under Wine: scratch folders, the settings handed to
// the server, and the answerer of the overwrite question, tried on a message box of this process
// shown the way the server shows its question.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "scratch_folder.h"
#include "server_question.h"
#include "server_settings.h"
#include "test_constants.h"

namespace zelmo::test {
namespace {

namespace fs = std::filesystem;

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ScratchFolder, IsFreshForEveryUseAndGoesWithEverythingInIt) {
    std::wstring kept;
    {
        ScratchFolder first(L"한국어 フォルダ");
        ScratchFolder second(L"한국어 フォルダ");
        EXPECT_NE(first.path(), second.path());
        EXPECT_NE(first.path().find(L"한국어 フォルダ"), std::wstring::npos);
        EXPECT_TRUE(fs::is_empty(first.path()));
        EXPECT_EQ(first.MakeFolder(L"sub"), first / L"sub");
        EXPECT_EQ(first.Touch(L"sub\\a.xlsx"), first.path() + L"\\sub\\a.xlsx");
        EXPECT_TRUE(fs::is_regular_file(first / L"sub\\a.xlsx"));
        kept = first.path();
    }
    EXPECT_FALSE(Exists(kept));
}

TEST(ServerSettings, AreSetForTheNextServerAndClearedByAnEmptyValue) {
    wchar_t value[64] = {};
    SetServerFaults(L"SaveAs#2");
    EXPECT_EQ(GetEnvironmentVariableW(L"ZELMO_STANDIN_FAULTS", value, 64), 8u);
    EXPECT_STREQ(value, L"SaveAs#2");
    SetServerFaults(L"");
    EXPECT_EQ(GetEnvironmentVariableW(L"ZELMO_STANDIN_FAULTS", value, 64), 0u);
    SetServerJournal(L"C:\\journal.txt");
    EXPECT_EQ(GetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", value, 64), 14u);
    SetServerJournal(L"");
    EXPECT_EQ(GetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", value, 64), 0u);
}

// The server's question: its caption, Yes and No, No the default.
int AskAsTheServerDoes(const wchar_t* text) {
    return MessageBoxW(nullptr, text, kServerTitle, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
}

TEST(ServerQuestion, IsReadAndAnsweredWithTheButtonAsked) {
    const std::wstring question = L"「C:\\新ExcelFile.xlsx」という名前のファイルが既にあります。置き換えますか?";
    for (int button : {IDYES, IDNO}) {
        QuestionAnswerer answer(button);
        const int result = AskAsTheServerDoes(question.c_str());
        answer.Join();
        EXPECT_EQ(result, button);
        ASSERT_TRUE(answer.seen().found);
        EXPECT_EQ(answer.seen().caption, kServerTitle);
        EXPECT_EQ(answer.seen().text, question);
        EXPECT_EQ(answer.seen().defaultButton, IDNO);
        EXPECT_EQ(answer.seen().focusButton, IDNO);
    }
}

TEST(ServerQuestion, OnlyTheServersCaptionCountsAndNoneIsReportedAsNone) {
    EXPECT_EQ(FindServerQuestion(), nullptr);
    EXPECT_FALSE(AnswerServerQuestion(IDNO, 300).found);
    // A message box of the program is not the server's question.
    QuestionAnswerer answer(IDYES, 1000);
    std::thread closer([] {
        Sleep(1500);
        if (HWND box = FindWindowW(L"#32770", kMessageCaption)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    MessageBoxW(nullptr, L"新ExcelFile.xlsxでコピーしました", kMessageCaption, MB_OK);
    closer.join();
    answer.Join();
    EXPECT_FALSE(answer.seen().found);
}

}  // namespace
}  // namespace zelmo::test
