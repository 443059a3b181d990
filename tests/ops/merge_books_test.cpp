// `MergeBooks` against the fake Excel: the calls and their order, what is written, the phases,
// and what follows when each call fails in turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "fake_excel.h"
#include "ops/operation.h"

namespace zelmo::ops {
namespace {

using fake::FakeExcel;
using fake::U8;
using Names = std::vector<std::string>;

const std::u16string kOutput = u"C:\\Data\\新ExcelFile.xlsx";

void AddSources(FakeExcel& excel, const std::u16string& folder = fake::kFolder) {
    excel.files[folder + u"\\a.xlsx"] = {{u"a1"}, {u"a2"}};
    excel.files[folder + u"\\b.xlsx"] = {{u"b1"}};
}

const Names kMergeLog = {
    "CreateExcel",
    "Open C:\\Data\\a.xlsx",
    "Open C:\\Data\\b.xlsx",
    "Add = Book1",
    "a.xlsx.Sheets",
    "a.xlsx.Sheets.Enum",
    "a.xlsx.Sheets.Next = a1",
    "Book1.Sheets",
    "Book1.Sheets.Count = 1",
    "Book1.Sheets",
    "Book1.Sheets.Item(1:I4) = Sheet1",
    "a.xlsx!a1.CopyAfter(Book1!Sheet1)",
    "a.xlsx.Sheets.Next = a2",
    "Book1.Sheets",
    "Book1.Sheets.Count = 2",
    "Book1.Sheets",
    "Book1.Sheets.Item(2:I4) = a1",
    "a.xlsx!a2.CopyAfter(Book1!a1)",
    "a.xlsx.Sheets.Next = end",
    "b.xlsx.Sheets",
    "b.xlsx.Sheets.Enum",
    "b.xlsx.Sheets.Next = b1",
    "Book1.Sheets",
    "Book1.Sheets.Count = 3",
    "Book1.Sheets",
    "Book1.Sheets.Item(3:I4) = a2",
    "b.xlsx!b1.CopyAfter(Book1!a2)",
    "b.xlsx.Sheets.Next = end",
    "Book1.SaveAs C:\\Data\\新ExcelFile.xlsx",
    "Quit",
};

TEST(MergeBooks, CallsInOrderAndWritesNewSheetsThenEverySource) {
    FakeExcel excel;
    AddSources(excel);
    MergeBooks(Context(excel, u"a.xlsx|b.xlsx", 2));
    EXPECT_EQ(excel.log, kMergeLog);
    EXPECT_EQ(excel.Saved(kOutput), (Names{"Sheet1", "a1", "a2", "b1"}));
    ExpectCleanEnd(excel, "merge");
    EXPECT_EQ(U8(excel.messages[0]), "新ExcelFile.xlsxでコピーしました");
}

TEST(MergeBooks, TheReferencesGoWhileTheClosingMessageIsOnScreen) {
    FakeExcel excel;
    excel.showFirst = true;
    AddSources(excel);
    MergeBooks(Context(excel, u"a.xlsx|b.xlsx", 2));
    // Shown after the quit, with the sources and the target still held; all dropped on return.
    ExpectCleanEnd(excel, "shown first");
    EXPECT_GE(excel.liveAtMessage[0], 3);
    EXPECT_EQ(excel.log, kMergeLog);
    EXPECT_EQ(U8(excel.messages[0]), "新ExcelFile.xlsxでコピーしました");
}

TEST(MergeBooks, NothingSelectedDoesNothing) {
    FakeExcel excel;
    AddSources(excel);
    MergeBooks(Context(excel, u"", 0));
    EXPECT_TRUE(excel.log.empty());
    EXPECT_TRUE(excel.messages.empty());
    EXPECT_EQ(excel.started, 0);
}

TEST(MergeBooks, DriveRootGivesDoubledSeparators) {
    FakeExcel excel;
    AddSources(excel, u"C:\\");  // files at C:\\a.xlsx: the doubled separator Excel is given
    MergeBooks(Context(excel, u"a.xlsx", 1, u"C:\\"));
    EXPECT_EQ(excel.log[1], "Open C:\\\\a.xlsx");
    EXPECT_TRUE(excel.Saved(u"C:\\\\新ExcelFile.xlsx").has_value());
    EXPECT_EQ(U8(excel.messages.at(0)), "新ExcelFile.xlsxでコピーしました");
}

TEST(MergeBooks, ChartSheetsAreCopiedLikeWorksheets) {
    FakeExcel excel;
    excel.files[u"C:\\Data\\c.xlsx"] = {{u"Data"}, {u"Chart1", true}, {u"Notes"}};
    MergeBooks(Context(excel, u"c.xlsx", 1));
    EXPECT_EQ(excel.Saved(kOutput), (Names{"Sheet1", "Data", "Chart1", "Notes"}));
    EXPECT_EQ(U8(excel.messages.at(0)), "新ExcelFile.xlsxでコピーしました");
}

// What follows when one call fails, for a few calls of each kind; the full sweep below checks
// the invariants for every call.
TEST(MergeBooks, EachKindOfStepFailing) {
    struct Case {
        std::string failing;  // a line of kMergeLog
        std::optional<Names> saved;
        std::string message;
    };
    const std::string reason = "理由: テスト用の失敗です。";
    const Case cases[] = {
        {"CreateExcel", std::nullopt,
         "Excel を起動できなかったため、処理を中止しました。新ExcelFile.xlsx "
         "は作成していません。\n" +
             reason},
        {"Open C:\\Data\\b.xlsx", std::nullopt,
         "「C:\\Data\\b.xlsx」を開けなかったため、処理を中止しました。新ExcelFile.xlsx "
         "は作成していません。\n" +
             reason},
        {"Add = Book1", std::nullopt,
         "新しいブックを作成できなかったため、処理を中止しました。新ExcelFile.xlsx "
         "は作成していません。\n" +
             reason},
        {"a.xlsx.Sheets", Names{"Sheet1", "b1"},
         "新ExcelFile.xlsx を保存しましたが、次のシートはコピーできなかったため入っていません。\n"
         "・「a.xlsx」のシートを取得できず、1 枚もコピーしていません。 " +
             reason},
        {"a.xlsx.Sheets.Next = a2", Names{"Sheet1", "a1", "b1"},
         "新ExcelFile.xlsx を保存しましたが、次のシートはコピーできなかったため入っていません。\n"
         "・「a.xlsx」の 2 枚目以降のシートを取得できず、コピーしていません。 " +
             reason},
        {"Book1.Sheets.Count = 2", Names{"Sheet1", "a1", "b1"},
         "新ExcelFile.xlsx を保存しましたが、次のシートはコピーできなかったため入っていません。\n"
         "・「a.xlsx」の 2 枚目のシート「a2」をコピーできませんでした。 " +
             reason},
        {"a.xlsx!a1.CopyAfter(Book1!Sheet1)", Names{"Sheet1", "a2", "b1"},
         "新ExcelFile.xlsx を保存しましたが、次のシートはコピーできなかったため入っていません。\n"
         "・「a.xlsx」の 1 枚目のシート「a1」をコピーできませんでした。 " +
             reason},
        {"Book1.SaveAs C:\\Data\\新ExcelFile.xlsx", std::nullopt,
         "「C:\\Data\\新ExcelFile.xlsx」を保存できませんでした。新ExcelFile.xlsx "
         "は書き込まれていません。\n" +
             reason},
        // A quit that fails is not the user's concern: everything was written.
        {"Quit", Names{"Sheet1", "a1", "a2", "b1"}, "新ExcelFile.xlsxでコピーしました"},
    };
    for (const auto& c : cases) {
        FakeExcel excel;
        AddSources(excel);
        const auto at = std::find(kMergeLog.begin(), kMergeLog.end(), c.failing);
        ASSERT_NE(at, kMergeLog.end()) << c.failing;
        excel.failAt = static_cast<std::size_t>(at - kMergeLog.begin());
        MergeBooks(Context(excel, u"a.xlsx|b.xlsx", 2));
        EXPECT_EQ(excel.Saved(kOutput), c.saved) << c.failing;
        ExpectCleanEnd(excel, c.failing);
        if (!excel.messages.empty()) {
            EXPECT_EQ(U8(excel.messages[0]), c.message) << c.failing;
        }
    }
}

TEST(MergeBooks, SaveFailuresNameTheirCause) {
    const std::pair<uint32_t, std::string> cases[] = {
        {0x80070070u, "ディスクの空き容量が足りません。"},
        {0x8007050Fu, "ディスクの空き容量が足りません。"},  // the user's quota
        {0x80070005u, "保存先のフォルダーに書き込む権限がありません。"},
        {0x800A0046u, "保存先のフォルダーに書き込む権限がありません。"},
        {0x80004005u, ""},
    };
    for (const auto& [code, cause] : cases) {
        FakeExcel excel;
        AddSources(excel);
        excel.failCalls = {"Book1.SaveAs C:\\Data\\新ExcelFile.xlsx"};
        excel.failCode = static_cast<int32_t>(code);
        MergeBooks(Context(excel, u"a.xlsx|b.xlsx", 2));
        ASSERT_EQ(excel.messages.size(), 1u);
        EXPECT_EQ(U8(excel.messages[0]), "「C:\\Data\\新ExcelFile.xlsx」を保存できませんでした。" + cause +
                                             "新ExcelFile.xlsx は書き込まれていません。\n理由: テスト用の失敗です。");
    }
}

TEST(MergeBooks, EveryCallFailingInTurn) {
    const auto copyPhase =
        std::find(kMergeLog.begin(), kMergeLog.end(), "a.xlsx.Sheets") - kMergeLog.begin();
    // Also with the references dropped while the message is on screen, as the program does.
    for (std::size_t run = 0; run < 2 * kMergeLog.size(); ++run) {
        const std::size_t k = run % kMergeLog.size();
        const std::string failing = kMergeLog[k] + (run < kMergeLog.size() ? "" : " (shown first)");
        FakeExcel excel;
        excel.showFirst = run >= kMergeLog.size();
        AddSources(excel);
        excel.failAt = k;
        MergeBooks(Context(excel, u"a.xlsx|b.xlsx", 2));
        ExpectCleanEnd(excel, failing);
        const std::string message = excel.messages.empty() ? "" : U8(excel.messages[0]);
        // A strict-phase failure stops before any copy or save; Quit (when Excel was started)
        // is the last call.
        const bool strict = static_cast<std::ptrdiff_t>(k) < copyPhase;
        const bool saveFailed = failing.rfind("Book1.SaveAs", 0) == 0;
        const bool quitFailed = kMergeLog[k] == "Quit";
        if (strict) {
            EXPECT_FALSE(excel.Saved(kOutput).has_value()) << failing;
            EXPECT_EQ(excel.log.size(), k == 0 ? 1u : k + 2) << failing;
            EXPECT_NE(message.find("処理を中止しました"), std::string::npos) << failing;
        } else {
            // The skip-and-go-on phase goes on to the save and the quit.
            EXPECT_EQ(excel.Saved(kOutput).has_value(), !saveFailed) << failing;
            EXPECT_EQ(excel.log.back(), quitFailed ? "Quit !" : "Quit") << failing;
            // Success is claimed only when nothing but the quit failed.
            EXPECT_EQ(message == "新ExcelFile.xlsxでコピーしました", quitFailed) << failing;
            if (!quitFailed) {
                EXPECT_NE(message.find("テスト用の失敗です。"), std::string::npos) << failing;
            }
        }
    }
}

TEST(MergeBooks, SaveAndCopyFailuresAreBothReported) {
    FakeExcel excel;
    AddSources(excel);
    excel.failCalls = {"b.xlsx!b1.CopyAfter(Book1!a2)", "Book1.SaveAs C:\\Data\\新ExcelFile.xlsx"};
    MergeBooks(Context(excel, u"a.xlsx|b.xlsx", 2));
    ExpectCleanEnd(excel, "copy and save");
    EXPECT_EQ(
        U8(excel.messages.at(0)),
        "「C:\\Data\\新ExcelFile.xlsx」を保存できませんでした。新ExcelFile.xlsx "
        "は書き込まれていません。\n"
        "理由: テスト用の失敗です。\n"
        "このほか、次のシートはコピーできませんでした。\n"
        "・「b.xlsx」の 1 枚目のシート「b1」をコピーできませんでした。 理由: テスト用の失敗です。");
}

}  // namespace
}  // namespace zelmo::ops
