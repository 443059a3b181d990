// Splitting through the real windows and the stand-in server: outputs that exist already (the
// server's question answered No for a later sheet, then for the first), a workbook with a Japanese
// name, and "実行" with nothing selected in either mode.
#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "test_constants.h"

namespace zelmo::e2e {
namespace {

class SplitEndToEnd : public EndToEndTest {
protected:
    fs::path Output(int j) const { return folder_ / (L"新Book1." + std::to_wstring(j) + L".xlsx"); }
    std::wstring OutputPath(int j) const { return Output(j).wstring(); }
};

TEST_F(SplitEndToEnd, ExistingOutputsAreKeptWhenTheQuestionIsAnsweredNo) {
    MakeBook(folder_ / "Book1.xlsx", {"s1", "s2", "s3"});
    MakeBook(Output(2), {"old2"});
    LoadSplit(folder_);
    Select(L"List_Seet", {L"Book1.xlsx"});

    // A later sheet: the others are written, the message names the one that was not.
    UseJournal("later");
    const RunResult later = Run(Answer::kNo);
    EXPECT_EQ(later.question, L"「" + OutputPath(2) + L"」という名前のファイルが既にあります。置き換えますか?");
    EXPECT_EQ(later.message.rfind(L"「Book1.xlsx」を分割しましたが、3 枚中 2 枚だけをファイルにしました。次は失敗しました。\n・「" +
                                      OutputPath(2) + L"」を保存できませんでした。 理由: ",
                                  0),
              0u)
        << U8(later.message);
    EXPECT_EQ(SheetsOf(Output(1)), (Names{"s1", "Sheet1"}));
    EXPECT_EQ(SheetsOf(Output(2)), (Names{"old2"}));
    EXPECT_EQ(SheetsOf(Output(3)), (Names{"s3", "Sheet1"}));
    ASSERT_TRUE(NoServerLeft());

    // The first sheet: the split stops there, nothing more is written.
    MakeBook(Output(1), {"old1"});
    fs::remove(Output(3));
    UseJournal("first");
    const RunResult first = Run(Answer::kNo);
    EXPECT_EQ(first.question, L"「" + OutputPath(1) + L"」という名前のファイルが既にあります。置き換えますか?");
    EXPECT_EQ(first.message.rfind(L"「" + OutputPath(1) + L"」を保存できませんでした。分割を中止しました。\n理由: ", 0), 0u)
        << U8(first.message);
    EXPECT_EQ(SheetsOf(Output(1)), (Names{"old1"}));
    EXPECT_EQ(SheetsOf(Output(2)), (Names{"old2"}));
    EXPECT_FALSE(fs::exists(Output(3)));
    EXPECT_EQ(Calls("SaveAs").size(), 1u);
    EXPECT_EQ(Calls("Quit").size(), 1u);
}

TEST_F(SplitEndToEnd, AWorkbookWithAJapaneseName) {
    MakeBook(folder_ / L"売上 2013.xlsx", {"東京", "大阪"});
    LoadSplit(folder_);
    Select(L"List_Seet", {L"売上 2013.xlsx"});
    EXPECT_EQ(Run().message, L"売上 2013.xlsx分割しました");
    EXPECT_EQ(SheetsOf(folder_ / L"新売上 2013.1.xlsx"), (Names{"東京", "Sheet1"}));
    EXPECT_EQ(SheetsOf(folder_ / L"新売上 2013.2.xlsx"), (Names{"大阪", "Sheet1"}));
}

TEST_F(SplitEndToEnd, NothingSelectedStartsNothingInEitherMode) {
    MakeBook(folder_ / "Book1.xlsx", {"s1"});
    LoadMerge(folder_);
    Select(L"List_Book", {});
    EXPECT_EQ(Run(Answer::kNone, 3000).message, L"");
    EXPECT_EQ(probe().FileCount(), 0);
    LoadSplit(folder_);
    Select(L"List_Seet", {});
    EXPECT_EQ(Run(Answer::kNone, 3000).message, L"");
    EXPECT_EQ(probe().FileCount(), 0);

    EXPECT_EQ(ServerProcessCount(), 0);
    EXPECT_FALSE(fs::exists(journal_)) << "a server was started";
    EXPECT_FALSE(fs::exists(folder_ / test::kMergedBook));
    EXPECT_FALSE(fs::exists(folder_ / L"新Book1.1.xlsx"));
}

}  // namespace
}  // namespace zelmo::e2e
