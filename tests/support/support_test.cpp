// The portable pieces of the tests' support, natively and under Wine: the books MakeBook writes
// (the fixtures' assertions rest on them), files' bytes kept exactly, and the journal's lines and
// calls as the fixtures read them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "book_files.h"
#include "server_journal.h"

namespace zelmo::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class SupportTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = fs::temp_directory_path() / ("zelmo-support-" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    fs::path folder_;
};

TEST_F(SupportTest, MakeBookWritesExactlyTheListedSheetsInOrder) {
    // A listed "Sheet1" is the new book's own sheet, left where the list names it.
    for (const Names& sheets : {Names{"a1"}, Names{"s1", "s2", "s3"}, Names{"Sheet1"}, Names{"東京", "Sheet1", "Data"},
                                Names{"b1", "Sheet1"}}) {
        const fs::path book = folder_ / "book.xlsx";
        MakeBook(book, sheets);
        EXPECT_EQ(SheetsOf(book), sheets);
    }
}

TEST_F(SupportTest, SheetsOfAFileThatIsNoWorkbookIsEmpty) {
    WriteBytes(folder_ / "text.xlsx", "not a workbook");
    EXPECT_TRUE(SheetsOf(folder_ / "text.xlsx").empty());
    EXPECT_TRUE(SheetsOf(folder_ / "missing.xlsx").empty());
}

TEST_F(SupportTest, BytesArriveAsWritten) {
    const std::string bytes("line\r\nnext\n\0\x1A\xFF end", 17);
    WriteBytes(folder_ / "bytes.bin", bytes);
    EXPECT_EQ(ReadBytes(folder_ / "bytes.bin"), bytes);
    WriteBytes(folder_ / "bytes.bin", "short");
    EXPECT_EQ(ReadBytes(folder_ / "bytes.bin"), "short");
    EXPECT_EQ(ReadBytes(folder_ / "missing.bin"), "");
}

TEST_F(SupportTest, TheJournalsLinesAndCalls) {
    const fs::path journal = folder_ / "journal.txt";
    WriteBytes(journal,
               "5 server start\r\n"
               "9 Workbooks.Open METHOD|GET(Filename=VT_BSTR:\"C:\\a.xlsx\") lcid=1033 -> VT_DISPATCH:Workbook\r\n"
               "12 Workbooks.OpenText METHOD|GET() lcid=1033 -> VT_EMPTY\r\n"
               "14 Workbook \"a.xlsx\".SaveAs METHOD|GET(Filename=VT_BSTR:\"C:\\b.xlsx\") lcid=1033 -> VT_EMPTY\r\n"
               "20 server exit\r\n");
    const std::vector<std::string> lines = ReadJournal(journal);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.back(), "20 server exit");  // no line end left
    const std::vector<std::string> opens = CallsOf(lines, "Open");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0], lines[1]);
    EXPECT_EQ(CallsOf(lines, "SaveAs"), std::vector<std::string>{lines[3]});
    EXPECT_TRUE(CallsOf(lines, "Quit").empty());
    EXPECT_TRUE(AnyLineHas(lines, "server exit"));
    EXPECT_FALSE(AnyLineHas(lines, "server end"));
    EXPECT_TRUE(ReadJournal(folder_ / "missing.txt").empty());
}

}  // namespace
}  // namespace zelmo::test
