// `SplitSheets` against the fake Excel: the calls and their order, the names written, the strict
// phase up to the first save and the skipping phase after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "fake_excel.h"
#include "ops/operation.h"
#include "test_constants.h"

namespace zelmo::ops {
namespace {

using fake::FakeExcel;
using fake::U8;
using Names = std::vector<std::string>;

const std::u16string kSource = u"C:\\Data\\Data.xlsx";

const Names kSplitLog = {
    "CreateExcel",
    "Open C:\\Data\\Data.xlsx",
    "Data.xlsx.Sheets",
    "Data.xlsx.Sheets.Count = 2",
    "Data.xlsx.Sheets",
    "Data.xlsx.Sheets.Count = 2",
    "Data.xlsx.Sheets",
    "Data.xlsx.Sheets.Item(1:I2) = s1",
    "Add = Book1",
    "Book1.Sheets",
    "Book1.Sheets.Item(1:I2) = Sheet1",
    "Data.xlsx!s1.CopyBefore(Book1!Sheet1)",
    "Book1.SaveAs C:\\Data\\新Data.1.xlsx",
    "Data.xlsx.Sheets",
    "Data.xlsx.Sheets.Item(2:I2) = s2",
    "Add = Book2",
    "Book2.Sheets",
    "Book2.Sheets.Item(1:I2) = Sheet1",
    "Data.xlsx!s2.CopyBefore(Book2!Sheet1)",
    "Book2.SaveAs C:\\Data\\新Data.2.xlsx",
    "Quit",
};

TEST(SplitSheets, CallsInOrderAndWritesOneFilePerSheet) {
    FakeExcel excel;
    excel.files[kSource] = {{u"s1"}, {u"s2"}};
    SplitSheets(Context(excel, u"Data.xlsx", 1));
    EXPECT_EQ(excel.log, kSplitLog);
    EXPECT_EQ(excel.Saved(u"C:\\Data\\新Data.1.xlsx"), (Names{"s1", "Sheet1"}));
    EXPECT_EQ(excel.Saved(u"C:\\Data\\新Data.2.xlsx"), (Names{"s2", "Sheet1"}));
    ExpectCleanEnd(excel, "split");
    EXPECT_EQ(U8(excel.messages[0]), "Data.xlsx分割しました");
}

TEST(SplitSheets, NumbersOfTwoDigitsChartSheetsAndADriveRoot) {
    FakeExcel excel;
    std::vector<fake::SheetDef> sheets;
    for (int i = 1; i <= 12; ++i) sheets.push_back({u"s" + Decimal(i), i == 10});
    excel.files[u"C:\\\\Book1.xlsx"] = sheets;
    SplitSheets(Context(excel, u"Book1.xlsx", 1, u"C:\\"));
    Names expected;
    for (int i = 1; i <= 12; ++i)
        expected.push_back("C:\\\\新Book1." + std::to_string(i) + ".xlsx");
    EXPECT_EQ(excel.savedOrder, expected);
    EXPECT_EQ(excel.Saved(u"C:\\\\新Book1.10.xlsx"), (Names{"s10", "Sheet1"}));  // the chart sheet
    EXPECT_EQ(U8(excel.messages.at(0)), "Book1.xlsx分割しました");
}

TEST(SplitSheets, NothingSelectedDoesNothing) {
    FakeExcel excel;
    excel.files[kSource] = {{u"s1"}};
    SplitSheets(Context(excel, u"", 0));
    EXPECT_TRUE(excel.log.empty());
    EXPECT_TRUE(excel.messages.empty());
}

TEST(SplitSheets, EachKindOfStepFailing) {
    struct Case {
        std::string failing;  // a line of kSplitLog
        Names saved;
        std::string message;
    };
    const std::string reason = "理由: テスト用の失敗です。";
    const Case cases[] = {
        {"CreateExcel", {}, "Excel を起動できませんでした。分割を中止しました。\n" + reason},
        {"Open C:\\Data\\Data.xlsx",
         {},
         "「C:\\Data\\Data.xlsx」を開けませんでした。分割を中止しました。\n" + reason},
        {"Data.xlsx.Sheets.Count = 2",
         {},
         "「C:\\Data\\Data.xlsx」のシート数を取得できませんでした。分割を中止しました。\n" +
             reason},
        {"Data.xlsx.Sheets.Item(1:I2) = s1",
         {},
         "1 "
         "枚目のシートを取得できませんでした。「新Data.1."
         "xlsx」は作成していません。分割を中止しました。\n" +
             reason},
        {"Add = Book1",
         {},
         "新しいブックを作成できませんでした。「新Data.1."
         "xlsx」は作成していません。分割を中止しました。\n" +
             reason},
        {"Data.xlsx!s1.CopyBefore(Book1!Sheet1)",
         {},
         "1 "
         "枚目のシート「s1」をコピーできませんでした。「新Data.1."
         "xlsx」は作成していません。分割を中止しました。\n" +
             reason},
        {"Book1.SaveAs C:\\Data\\新Data.1.xlsx",
         {},
         "「C:\\Data\\新Data.1.xlsx」を保存できませんでした。分割を中止しました。\n" + reason},
        // After the first save, a failing sheet is left out and the rest goes on.
        {"Data.xlsx.Sheets.Item(2:I2) = s2",
         {"C:\\Data\\新Data.1.xlsx"},
         "「Data.xlsx」を分割しましたが、2 枚中 1 枚だけをファイルにしました。次は失敗しました。\n"
         "・2 枚目のシートを取得できませんでした。「新Data.2.xlsx」は作成していません。 " +
             reason},
        {"Data.xlsx!s2.CopyBefore(Book2!Sheet1)",
         {"C:\\Data\\新Data.1.xlsx"},
         "「Data.xlsx」を分割しましたが、2 枚中 1 枚だけをファイルにしました。次は失敗しました。\n"
         "・2 枚目のシート「s2」をコピーできませんでした。「新Data.2.xlsx」は作成していません。 " +
             reason},
        {"Book2.SaveAs C:\\Data\\新Data.2.xlsx",
         {"C:\\Data\\新Data.1.xlsx"},
         "「Data.xlsx」を分割しましたが、2 枚中 1 枚だけをファイルにしました。次は失敗しました。\n"
         "・「C:\\Data\\新Data.2.xlsx」を保存できませんでした。 " +
             reason},
        {"Quit", {"C:\\Data\\新Data.1.xlsx", "C:\\Data\\新Data.2.xlsx"}, "Data.xlsx分割しました"},
    };
    for (const auto& c : cases) {
        FakeExcel excel;
        excel.files[kSource] = {{u"s1"}, {u"s2"}};
        const auto at = std::find(kSplitLog.begin(), kSplitLog.end(), c.failing);
        ASSERT_NE(at, kSplitLog.end()) << c.failing;
        excel.failAt = static_cast<std::size_t>(at - kSplitLog.begin());
        SplitSheets(Context(excel, u"Data.xlsx", 1));
        EXPECT_EQ(excel.savedOrder, c.saved) << c.failing;
        ExpectCleanEnd(excel, c.failing);
        if (!excel.messages.empty()) {
            EXPECT_EQ(U8(excel.messages[0]), c.message) << c.failing;
        }
    }
}

// A save that fails names its cause where the code gives one: a full disk, a folder that may
// not be written; any other code keeps the general text.
TEST(SplitSheets, SaveFailuresNameTheirCause) {
    struct Case {
        int32_t code;
        std::string cause;
    };
    const Case cases[] = {
        {static_cast<int32_t>(0x80070070u), "ディスクの空き容量が足りません。"},      // ERROR_DISK_FULL
        {static_cast<int32_t>(0x80070027u), "ディスクの空き容量が足りません。"},      // ERROR_HANDLE_DISK_FULL
        {static_cast<int32_t>(0x80070005u), "保存先のフォルダーに書き込む権限がありません。"},  // E_ACCESSDENIED
        {test::kExcelErrorCode, ""},
    };
    // The messages of a split of two sheets whose save `call` fails with `code`.
    const auto messagesWhenFailing = [](const std::string& call, int32_t code) {
        FakeExcel excel;
        excel.files[kSource] = {{u"s1"}, {u"s2"}};
        excel.failCalls = {call};
        excel.failCode = code;
        SplitSheets(Context(excel, u"Data.xlsx", 1));
        return excel.messages;
    };
    for (const Case& c : cases) {
        // The first save (strict: the split stops) and a later one (listed).
        const auto first = messagesWhenFailing("Book1.SaveAs C:\\Data\\新Data.1.xlsx", c.code);
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(U8(first[0]), "「C:\\Data\\新Data.1.xlsx」を保存できませんでした。" + c.cause +
                                    "分割を中止しました。\n理由: テスト用の失敗です。");
        const auto later = messagesWhenFailing("Book2.SaveAs C:\\Data\\新Data.2.xlsx", c.code);
        ASSERT_EQ(later.size(), 1u);
        EXPECT_NE(U8(later[0]).find("「C:\\Data\\新Data.2.xlsx」を保存できませんでした。" + c.cause + " 理由: "),
                  std::string::npos)
            << U8(later[0]);
    }
}

TEST(SplitSheets, EveryCallFailingInTurn) {
    const auto firstSave =
        std::find(kSplitLog.begin(), kSplitLog.end(), "Book1.SaveAs C:\\Data\\新Data.1.xlsx") -
        kSplitLog.begin();
    // Also with the references dropped while the message is on screen, as the program does.
    for (std::size_t run = 0; run < 2 * kSplitLog.size(); ++run) {
        const std::size_t k = run % kSplitLog.size();
        const std::string failing = kSplitLog[k] + (run < kSplitLog.size() ? "" : " (shown first)");
        FakeExcel excel;
        excel.showFirst = run >= kSplitLog.size();
        excel.files[kSource] = {{u"s1"}, {u"s2"}};
        excel.failAt = k;
        SplitSheets(Context(excel, u"Data.xlsx", 1));
        ExpectCleanEnd(excel, failing);
        const std::string message = excel.messages.empty() ? "" : U8(excel.messages[0]);
        if (static_cast<std::ptrdiff_t>(k) <= firstSave) {
            // Strict: nothing written, nothing after the failing call but the quit.
            EXPECT_TRUE(excel.savedOrder.empty()) << failing;
            EXPECT_EQ(excel.log.back(), k == 0 ? "CreateExcel !" : "Quit") << failing;
            EXPECT_NE(message.find("分割を中止しました"), std::string::npos) << failing;
        } else {
            // Skipping: the first file stays written and the quit is reached.
            EXPECT_EQ(excel.savedOrder.front(), "C:\\Data\\新Data.1.xlsx") << failing;
            EXPECT_EQ(message == "Data.xlsx分割しました", kSplitLog[k] == "Quit") << failing;
        }
    }
}

TEST(SplitSheets, TheReferencesGoWhileTheClosingMessageIsOnScreen) {
    FakeExcel excel;
    excel.showFirst = true;
    excel.files[kSource] = {{u"s1"}, {u"s2"}, {u"s3"}};
    SplitSheets(Context(excel, u"Data.xlsx", 1));
    // Shown after the quit, with the workbooks still held; all of them dropped on return.
    ExpectCleanEnd(excel, "shown first");
    EXPECT_GE(excel.liveAtMessage[0], 4);
    EXPECT_EQ(excel.log.back(), "Quit");
    EXPECT_EQ(U8(excel.messages[0]), "Data.xlsx分割しました");
}

TEST(SplitSheets, SheetCountBeyondSixteenBitsIsReported) {
    FakeExcel excel;
    excel.files[kSource] = {{u"s1"}};
    excel.countOverride = 32768;
    SplitSheets(Context(excel, u"Data.xlsx", 1));
    EXPECT_TRUE(excel.savedOrder.empty());
    ExpectCleanEnd(excel, "overflow");
    EXPECT_EQ(U8(excel.messages.at(0)),
              "「C:\\Data\\Data.xlsx」のシート数を取得できませんでした。分割を中止しました。\n"
              "理由: 「C:\\Data\\Data.xlsx」のシートが 32,767 枚を超えています。");
}

TEST(SplitSheets, LaterFailuresAreAllListed) {
    FakeExcel later;
    later.files[kSource] = {{u"s1"}, {u"s2"}, {u"s3"}};
    later.failCalls = {"Book2.SaveAs C:\\Data\\新Data.2.xlsx",
                       "Data.xlsx!s3.CopyBefore(Book3!Sheet1)"};
    SplitSheets(Context(later, u"Data.xlsx", 1));
    EXPECT_EQ(later.savedOrder, (Names{"C:\\Data\\新Data.1.xlsx"}));
    ExpectCleanEnd(later, "two later failures");
    EXPECT_EQ(
        U8(later.messages.at(0)),
        "「Data.xlsx」を分割しましたが、3 枚中 1 枚だけをファイルにしました。次は失敗しました。\n"
        "・「C:\\Data\\新Data.2.xlsx」を保存できませんでした。 理由: テスト用の失敗です。\n"
        "・3 枚目のシート「s3」をコピーできませんでした。「新Data.3.xlsx」は作成していません。 "
        "理由: テスト用の失敗です。");
}

}  // namespace
}  // namespace zelmo::ops
