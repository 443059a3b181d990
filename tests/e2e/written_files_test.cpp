// The files a merge and a split write through the real windows, and the calls the server saw on
// the way, checked against the call tables: LCID 1033 on every call, the omitted arguments,
// AccessMode 1, the target's last sheet looked up (count, then the item at that count) before
// every copy of the merge, and item 1 of the new workbook as Before in the split. The outputs are
// also left in ZELMO_E2E_OUTPUTS for the independent reader (check_outputs.py).
#include <gtest/gtest.h>

#include <string>

#include "e2e_fixture.h"
#include "journal_lines.h"
#include "test_constants.h"

namespace zelmo::e2e {
namespace {

class WrittenFiles : public EndToEndTest {
protected:
    // Nothing of an earlier run may pass for this run's outputs.
    static void SetUpTestSuite() {
        std::error_code ignored;
        fs::remove_all(fs::path(ZELMO_E2E_OUTPUTS), ignored);
    }
    // Every call that takes a locale is given 1033.
    void ExpectLcid1033() const {
        for (const auto& call : ParseCalls(Journal())) EXPECT_EQ(call.lcid, "1033") << call.line;
    }
    static void Leave(const fs::path& file) {
        const fs::path outputs(ZELMO_E2E_OUTPUTS);
        fs::create_directories(outputs);
        fs::copy_file(file, outputs / file.filename(), fs::copy_options::overwrite_existing);
    }
};

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

TEST_F(WrittenFiles, MergeOfTwoBooksHoldsTheNewSheetThenA1A2B1) {
    MakeBook(folder_ / "a.xlsx", {"a1", "a2"});
    MakeBook(folder_ / "b.xlsx", {"b1"});
    LoadMerge(folder_);
    Select(L"List_Book", {L"a.xlsx", L"b.xlsx"});
    EXPECT_EQ(Run().message, L"新ExcelFile.xlsxでコピーしました");
    EXPECT_EQ(probe().FileList(), L"a.xlsx|b.xlsx");
    EXPECT_EQ(probe().FileCount(), 2);
    const fs::path output = folder_ / test::kMergedBook;
    EXPECT_EQ(SheetsOf(output), (Names{"Sheet1", "a1", "a2", "b1"}));
    Leave(output);

    ExpectLcid1033();
    const std::string folder = U8(folder_);
    const auto calls = ParseCalls(Journal());
    std::vector<std::string> opened;
    int copies = 0;
    int adds = 0;
    for (std::size_t k = 0; k < calls.size(); ++k) {
        const JournalCall& call = calls[k];
        if (call.member == "Open") {
            opened.push_back(call.args);
            EXPECT_TRUE(Has(call.args, ", UpdateLinks=VT_ERROR:omitted, ReadOnly=VT_ERROR:omitted")) << call.line;
            EXPECT_TRUE(Has(call.args, "CorruptLoad=VT_ERROR:omitted")) << call.line;
            EXPECT_EQ(adds, 0) << "a source opened after the target was made";
        } else if (call.member == "Add") {
            ++adds;
            EXPECT_EQ(call.args, "Template=VT_ERROR:omitted") << call.line;
        } else if (call.member == "Copy") {
            ++copies;
            EXPECT_TRUE(Has(call.args, "Before=VT_ERROR:omitted, After=VT_DISPATCH:")) << call.line;
            // Just before: the target's count, then the item at that count, by a 32-bit index.
            // (each through a fresh Workbook.Sheets).
            ASSERT_GE(k, 3u);
            const JournalCall& count = calls[k - 3];
            const JournalCall& item = calls[k - 1];
            EXPECT_EQ(count.member, "Count") << count.line;
            EXPECT_EQ(item.member, "_Default") << item.line;
            const std::string n = count.result.substr(count.result.find(':') + 1);
            EXPECT_EQ(count.result, "VT_I4:" + std::to_string(copies)) << "the target holds Sheet1 and the copies so far";
            EXPECT_TRUE(Has(item.args, "Index=VT_I4:" + n)) << item.line;
        } else if (call.member == "SaveAs") {
            EXPECT_TRUE(Has(call.args, "Filename=VT_BSTR:\"" + folder + "\\新ExcelFile.xlsx\", FileFormat=VT_ERROR:omitted, "
                                       "Password=VT_ERROR:omitted, WriteResPassword=VT_ERROR:omitted, "
                                       "ReadOnlyRecommended=VT_ERROR:omitted, CreateBackup=VT_ERROR:omitted, "
                                       "AccessMode=VT_I4:1, ConflictResolution=VT_ERROR:omitted, AddToMru=VT_ERROR:omitted, "
                                       "TextCodepage=VT_ERROR:omitted, TextVisualLayout=VT_ERROR:omitted, Local=VT_ERROR:omitted"))
                << call.line;
        }
    }
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(Has(opened[0], "Filename=VT_BSTR:\"" + folder + "\\a.xlsx\""));
    EXPECT_TRUE(Has(opened[1], "Filename=VT_BSTR:\"" + folder + "\\b.xlsx\""));
    EXPECT_EQ(adds, 1);
    EXPECT_EQ(copies, 3);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().member, "Quit") << "the last call is the quit";
}

TEST_F(WrittenFiles, SplitOfTwelveSheetsWritesNewBook1Point1To12) {
    Names sheets;
    for (int j = 1; j <= 12; ++j) sheets.push_back("s" + std::to_string(j));
    MakeBook(folder_ / "Book1.xlsx", sheets);
    LoadSplit(folder_);
    Select(L"List_Seet", {L"Book1.xlsx"});
    EXPECT_EQ(Run().message, L"Book1.xlsx分割しました");
    for (int j = 1; j <= 12; ++j) {
        const fs::path output = folder_ / (L"新Book1." + std::to_wstring(j) + L".xlsx");
        ASSERT_TRUE(fs::exists(output)) << j;
        EXPECT_EQ(SheetsOf(output), (Names{sheets[static_cast<std::size_t>(j - 1)], "Sheet1"})) << j;
        Leave(output);
    }

    ExpectLcid1033();
    const std::string folder = U8(folder_);
    const auto calls = ParseCalls(Journal());
    int copies = 0;
    for (std::size_t k = 0; k < calls.size(); ++k) {
        const JournalCall& call = calls[k];
        if (call.member == "Copy") {
            ++copies;
            EXPECT_TRUE(Has(call.args, "Before=VT_DISPATCH:")) << call.line;
            EXPECT_TRUE(Has(call.args, "After=VT_ERROR:omitted")) << call.line;
            // Just before: item 1 of the new workbook's sheets, made by the Add before it.
            ASSERT_GE(k, 2u);
            EXPECT_TRUE(Has(calls[k - 1].args, "Index=VT_I2:1")) << calls[k - 1].line;
            bool added = false;
            for (std::size_t back = k; back-- > 0 && calls[back].member != "Copy";) added |= calls[back].member == "Add";
            EXPECT_TRUE(added) << "no new workbook before copy " << copies;
        } else if (call.member == "SaveAs") {
            EXPECT_TRUE(Has(call.args, "Filename=VT_BSTR:\"" + folder + "\\新Book1." + std::to_string(copies) +
                                           ".xlsx\", FileFormat=VT_ERROR:omitted"))
                << call.line;
            EXPECT_TRUE(Has(call.args, "AccessMode=VT_I4:1, ConflictResolution=VT_ERROR:omitted")) << call.line;
        } else if (Has(call.args, "Index=")) {
            EXPECT_TRUE(Has(call.args, "Index=VT_I2:")) << "sheets are fetched by a 16-bit number: " << call.line;
        }
    }
    EXPECT_EQ(copies, 12);
    EXPECT_EQ(Calls("Quit").size(), 1u);
}

}  // namespace
}  // namespace zelmo::e2e
