// The operations through the COM adapter against the stand-in server under Wine: the files
// written, the messages, the calls as the server's journal saw them, and no server left behind.
#include "ops/com_excel.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "book_files.h"
#include "ops/operation.h"
#include "scratch_folder.h"
#include "server_journal.h"
#include "server_settings.h"
#include "test_constants.h"
#include "win/com.h"

namespace zelmo::ops {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using test::MakeBook;
using test::SheetsOf;

class Messages : public MessageSink {
public:
    void Show(const std::u16string& text) override { shown.push_back(ToUtf8(text)); }
    std::vector<std::string> shown;
};

class ComExcelTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch_ = std::make_unique<test::ScratchFolder>(std::wstring(name.begin(), name.end()));
        folder_ = scratch_->path();
        journal_ = folder_ / "journal.txt";
        test::SetServerJournal(journal_.wstring());
        test::SetServerFaults(L"");
    }
    void TearDown() override {
        EXPECT_TRUE(ServerExited()) << "the server process did not end";
        test::SetServerJournal(L"");
        test::SetServerFaults(L"");
        scratch_.reset();
    }

    std::u16string Folder() const { return win::ToU16(folder_.wstring()); }
    std::string FolderU8() const { return ToUtf8(Folder()); }

    std::vector<std::string> Journal() const { return test::ReadJournal(journal_); }
    std::vector<std::string> Calls(const std::string& member) const { return test::CallsOf(Journal(), member); }
    // The server writes "server exit" as its last line; it ends shortly after the last release.
    bool ServerExited() const {
        for (int i = 0; i < 150; ++i) {
            if (test::AnyLineHas(Journal(), "server exit")) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    win::CoInitScope com_;
    ComExcelFactory excel_;
    Messages messages_;
    std::unique_ptr<test::ScratchFolder> scratch_;
    fs::path folder_;
    fs::path journal_;
};

TEST_F(ComExcelTest, MergeWritesEverySheetBehindTheNewOnesWithTheCallTablesArguments) {
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    MakeBook(folder_ / "b.xlsx", {"b1"});
    MergeBooks({Folder(), u"a.xlsx|b.xlsx", 2, excel_, messages_});
    EXPECT_EQ(messages_.shown, Names{"新ExcelFile.xlsxでコピーしました"});
    EXPECT_EQ(SheetsOf(folder_ / test::kMergedBook),
              (Names{"Sheet1", "a1", "a2", "b1"}));

    for (const auto& line : Journal()) {
        if (line.find(" lcid=") != std::string::npos) {
            EXPECT_NE(line.find(" lcid=1033 "), std::string::npos) << line;
        }
    }
    const auto opens = Calls("Open");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_NE(opens[0].find("Filename=VT_BSTR:\"" + FolderU8() +
                            "\\a.xlsx\", UpdateLinks=VT_ERROR:omitted"),
              std::string::npos)
        << opens[0];
    EXPECT_NE(opens[0].find("CorruptLoad=VT_ERROR:omitted)"), std::string::npos) << opens[0];
    const auto copies = Calls("Copy");
    ASSERT_EQ(copies.size(), 3u);
    for (const auto& line : copies) {
        EXPECT_NE(line.find("(Before=VT_ERROR:omitted, After=VT_DISPATCH:"), std::string::npos)
            << line;
    }
    // The last sheet is looked up by a 32-bit index before every copy.
    EXPECT_EQ(Calls("_Default").size(), 3u);
    for (const auto& line : Calls("_Default")) {
        EXPECT_NE(line.find("Index=VT_I4:"), std::string::npos) << line;
    }
    const auto saves = Calls("SaveAs");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_NE(saves[0].find("Filename=VT_BSTR:\"" + FolderU8() +
                            "\\新ExcelFile.xlsx\", FileFormat=VT_ERROR:omitted"),
              std::string::npos)
        << saves[0];
    EXPECT_NE(saves[0].find("AccessMode=VT_I4:1, ConflictResolution=VT_ERROR:omitted"),
              std::string::npos)
        << saves[0];
    EXPECT_EQ(Calls("Quit").size(), 1u);
}

TEST_F(ComExcelTest, SplitWritesOneNumberedFilePerSheet) {
    MakeBook(folder_ / "Book1.xlsx", {"s1", "s2", "s3"});
    SplitSheets({Folder(), u"Book1.xlsx", 1, excel_, messages_});
    EXPECT_EQ(messages_.shown, Names{"Book1.xlsx分割しました"});
    for (int j = 1; j <= 3; ++j) {
        const fs::path output = folder_ / fs::u8path("新Book1." + std::to_string(j) + ".xlsx");
        ASSERT_TRUE(fs::exists(output)) << j;
        EXPECT_EQ(SheetsOf(output), (Names{"s" + std::to_string(j), "Sheet1"}));
    }
    // Sheets fetched by a 16-bit index; each copy goes before the new book's first sheet.
    for (const auto& line : Calls("_Default")) {
        EXPECT_NE(line.find("Index=VT_I2:"), std::string::npos) << line;
    }
    for (const auto& line : Calls("Copy")) {
        EXPECT_NE(line.find("(Before=VT_DISPATCH:"), std::string::npos) << line;
        EXPECT_NE(line.find("After=VT_ERROR:omitted)"), std::string::npos) << line;
    }
}

TEST_F(ComExcelTest, FailuresReachTheUserWithTheServersReason) {
    MakeBook(folder_ / "a.xlsx", {"a1"});
    test::SetServerFaults(L"SaveAs");
    MergeBooks({Folder(), u"a.xlsx", 1, excel_, messages_});
    ASSERT_EQ(messages_.shown.size(), 1u);
    const std::string& text = messages_.shown[0];
    EXPECT_EQ(text.rfind("「" + FolderU8() + "\\新ExcelFile.xlsx」を保存できませんでした。", 0), 0u)
        << text;
    EXPECT_NE(text.find("理由: "), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(folder_ / test::kMergedBook));
}

TEST_F(ComExcelTest, AWorkbookThatCannotBeOpenedStopsTheSplit) {
    SplitSheets({Folder(), u"missing.xlsx", 1, excel_, messages_});
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(
        messages_.shown[0].rfind(
            "「" + FolderU8() + "\\missing.xlsx」を開けませんでした。分割を中止しました。\n理由: ",
            0),
        0u)
        << messages_.shown[0];
    EXPECT_EQ(Calls("Quit").size(), 1u);
    EXPECT_TRUE(Calls("SaveAs").empty());
}

// A workbook with a worksheet and a chart sheet, saved by a spreadsheet program.
fs::path ChartSheetBook() {
    std::string path = ZELMO_TEST_DATA "/chartsheet01.xlsx";
    if (path.front() == '/') path = "Z:" + path;  // the source tree as Wine sees it
    return fs::u8path(path);
}

TEST_F(ComExcelTest, ChartSheetsAreCopiedInBothOperations) {
    fs::copy_file(ChartSheetBook(), folder_ / "chart.xlsx");
    MergeBooks({Folder(), u"chart.xlsx", 1, excel_, messages_});
    EXPECT_EQ(SheetsOf(folder_ / test::kMergedBook),
              (Names{"Sheet1", "Sheet1 (2)", "Chart1"}));
    EXPECT_TRUE(ServerExited());
    fs::remove(journal_);

    SplitSheets({Folder(), u"chart.xlsx", 1, excel_, messages_});
    EXPECT_EQ(SheetsOf(folder_ / fs::u8path("新chart.2.xlsx")), (Names{"Chart1", "Sheet1"}));
    EXPECT_EQ(messages_.shown,
              (Names{"新ExcelFile.xlsxでコピーしました", "chart.xlsx分割しました"}));
}

TEST_F(ComExcelTest, SheetsAndEnumeratorsLetGoAreHeldBackUntilDroppedOneByOne) {
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    std::unique_ptr<ExcelApplication> app = excel_.CreateExcel();
    std::unique_ptr<Workbook> book = app->OpenWorkbook(Folder() + u"\\a.xlsx");
    {
        std::unique_ptr<SheetEnumerator> members = book->Sheets()->Enumerate();
        std::unique_ptr<Sheet> first = members->Next();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(ToUtf8(first->Name()), "a1");
        EXPECT_NE(members->Next(), nullptr);
        EXPECT_EQ(members->Next(), nullptr);
    }
    // Two sheets and the enumerator, each let go by one call; then nothing more.
    int dropped = 0;
    while (app->DropHeldReference()) ++dropped;
    EXPECT_EQ(dropped, 3);
    EXPECT_FALSE(app->DropHeldReference());
    app->Quit();
    app.reset();
    book.reset();
    // TearDown waits for the server to end once every reference is released.
}

TEST_F(ComExcelTest, AFailingQuitStillLeavesNoServer) {
    MakeBook(folder_ / "a.xlsx", {"a1"});
    test::SetServerFaults(L"Quit");
    SplitSheets({Folder(), u"a.xlsx", 1, excel_, messages_});
    EXPECT_EQ(messages_.shown, Names{"a.xlsx分割しました"});
    EXPECT_TRUE(fs::exists(folder_ / fs::u8path("新a.1.xlsx")));
    // TearDown waits for the server to end once every reference is released.
}

}  // namespace
}  // namespace zelmo::ops
