// Merging through the real windows and the stand-in server: an existing "新ExcelFile.xlsx" (the
// server's question answered No, then Yes), the earlier output selected as a source, an unreadable
// workbook among the selection, and a folder at a drive's root.
#include <gtest/gtest.h>

#include <fstream>

#include "e2e_fixture.h"
#include "journal_lines.h"
#include "test_constants.h"
#include "wine_drive.h"

namespace zelmo::e2e {
namespace {

const std::wstring kMerged = L"新ExcelFile.xlsxでコピーしました";

class MergeEndToEnd : public EndToEndTest {
protected:
    fs::path Output() const { return folder_ / test::kMergedBook; }
    std::wstring OutputPath() const { return folder_.wstring() + L"\\" + test::kMergedBook; }
};

TEST_F(MergeEndToEnd, AnExistingOutputIsReplacedOnlyWithConsent) {
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    MakeBook(folder_ / "b.xlsx", {"b1"});
    MakeBook(Output(), {"old"});
    const std::string before = ReadBytes(Output());
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"b.xlsx"});

    UseJournal("no");
    RunResult answeredNo = Run(Answer::kNo);
    EXPECT_EQ(answeredNo.question, L"「" + OutputPath() + L"」という名前のファイルが既にあります。置き換えますか?");
    EXPECT_EQ(answeredNo.message.rfind(L"「" + OutputPath() + L"」を保存できませんでした。新ExcelFile.xlsx は書き込まれていません。\n理由: ", 0),
              0u)
        << U8(answeredNo.message);
    EXPECT_EQ(ReadBytes(Output()), before) << "the old file was changed although the question was answered No";
    ASSERT_TRUE(NoServerLeft());

    UseJournal("yes");
    RunResult answeredYes = Run(Answer::kYes);
    EXPECT_EQ(answeredYes.question, answeredNo.question);
    EXPECT_EQ(answeredYes.message, kMerged);
    EXPECT_EQ(SheetsOf(Output()), (Names{"Sheet1", "a1", "a2", "b1"}));
}

TEST_F(MergeEndToEnd, TheEarlierOutputAsASourceIsReportedAndKept) {
    MakeBook(folder_ / "a.xlsx", {"a1"});
    MakeBook(Output(), {"old"});
    const std::string before = ReadBytes(Output());
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"新ExcelFile.xlsx"});
    // Saving under the name of a workbook open in the same instance fails, before any question
    // about the existing file.
    const RunResult run = Run();
    EXPECT_EQ(run.question, L"");
    EXPECT_EQ(run.message.rfind(L"「" + OutputPath() + L"」を保存できませんでした。", 0), 0u) << U8(run.message);
    EXPECT_NE(run.message.find(L"\n理由: "), std::wstring::npos) << U8(run.message);
    EXPECT_EQ(ReadBytes(Output()), before);
    EXPECT_EQ(probe().FileList(), L"a.xlsx|新ExcelFile.xlsx");
}

TEST_F(MergeEndToEnd, AnUnreadableWorkbookStopsTheMergeBeforeAnythingIsWritten) {
    MakeBook(folder_ / "a.xlsx", {"a1"});
    {
        std::ofstream text(folder_ / "bad.xlsx");
        text << "not a workbook\n";
    }
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"bad.xlsx"});
    const RunResult run = Run();
    const std::wstring head = L"「" + folder_.wstring() + L"\\bad.xlsx」を開けなかったため、処理を中止しました。新ExcelFile.xlsx は作成していません。\n理由: ";
    ASSERT_EQ(run.message.rfind(head, 0), 0u) << U8(run.message);
    // The reason is the server's own description of the failed Open.
    const auto opens = Calls("Open");
    ASSERT_EQ(opens.size(), 2u);
    const std::string reason = U8(run.message.substr(head.size()));
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(opens[1].find(test::kExcelErrorInJournal + std::string(" \"") + reason), std::string::npos) << opens[1];
    EXPECT_TRUE(Calls("Add").empty());
    EXPECT_TRUE(Calls("SaveAs").empty());
    EXPECT_EQ(Calls("Quit").size(), 1u);
    EXPECT_FALSE(fs::exists(Output()));
}

#ifdef ZELMO_E2E_DRIVE_FOLDER
TEST_F(MergeEndToEnd, AFolderAtADrivesRootPassesTheDoubledSeparatorThrough) {
    // The drive's folder, as the host and as Wine's Z: spell it.
    const std::string unixFolder = ZELMO_E2E_DRIVE_FOLDER;
    const fs::path mapped = fs::u8path("Z:" + unixFolder);
    std::error_code ignored;
    fs::remove_all(mapped, ignored);
    fs::create_directories(mapped);
    const WineDrive drive(L'X', unixFolder);
    if (!drive.mapped()) GTEST_SKIP() << "X: is taken or this is not Wine";
    const std::wstring root = drive.root();
    MakeBook(mapped / "a.xlsx", {"a1", "a2"});
    MakeBook(mapped / "b.xlsx", {"b1"});

    LoadMerge(fs::path(root));
    EXPECT_EQ(probe().FolderFullPath(), root);
    Select(L"List_Book", {L"a.xlsx", L"b.xlsx"});
    EXPECT_EQ(Run().message, kMerged);
    EXPECT_EQ(SheetsOf(mapped / test::kMergedBook), (Names{"Sheet1", "a1", "a2", "b1"}));
    const std::string doubled = U8(root) + "\\";
    const auto opens = Calls("Open");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_NE(opens[0].find("Filename=VT_BSTR:\"" + doubled + "a.xlsx\""), std::string::npos) << opens[0];
    const auto saves = Calls("SaveAs");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_NE(saves[0].find("Filename=VT_BSTR:\"" + doubled + "新ExcelFile.xlsx\""), std::string::npos) << saves[0];
    ASSERT_TRUE(NoServerLeft());

    // The split at the same root.
    LoadSplit(fs::path(root));
    Select(L"List_Seet", {L"a.xlsx"});
    UseJournal("split");
    EXPECT_EQ(Run().message, L"a.xlsx分割しました");
    EXPECT_EQ(SheetsOf(mapped / L"新a.2.xlsx"), (Names{"a2", "Sheet1"}));
    ASSERT_FALSE(Calls("Open").empty());
    EXPECT_NE(Calls("Open")[0].find("Filename=VT_BSTR:\"" + doubled + "a.xlsx\""), std::string::npos);
    for (const auto& save : Calls("SaveAs")) {
        EXPECT_NE(save.find("Filename=VT_BSTR:\"" + doubled + "新a."), std::string::npos) << save;
    }
}
#endif

}  // namespace
}  // namespace zelmo::e2e
