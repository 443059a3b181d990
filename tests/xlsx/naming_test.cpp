// Sheet naming rules: validity and the "Name (2)" numbering, counted in UTF-16 units.
#include <gtest/gtest.h>

#include "xlsx/workbook.h"

namespace zelmo::xlsx {
namespace {

TEST(SheetNaming, ValidityFollowsTheSpreadsheetRules) {
    const struct {
        const char* name;
        bool valid;
    } cases[] = {
        {"Sheet1", true},
        {"明細 一覧", true},
        {"a'b", true},
        {"", false},
        {"'lead", false},
        {"trail'", false},
        {"a[b", false}, {"a]b", false}, {"a:b", false}, {"a*b", false}, {"a?b", false}, {"a/b", false},
        {"a\\b", false},
        {"History", false},
        {"history", false},
        {"Histories", true},
        {"1234567890123456789012345678901", true},    // 31
        {"12345678901234567890123456789012", false},  // 32
        // 31 kanji are 31 UTF-16 units (93 bytes); 32 are too many.
        {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一", true},
        {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二", false},
        // A character outside the BMP counts as two units: 15 of them plus one letter is 31.
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80" "a",
         true},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80" "ab",
         false},
        {"bad\xFFutf8", false},
        {"tab\there", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidSheetName(c.name), c.valid) << c.name;
}

TEST(SheetNaming, UniqueNamesAreNumberedIgnoringCase) {
    const struct {
        const char* wanted;
        std::vector<std::string> taken;
        const char* expected;
    } cases[] = {
        {"Sheet1", {}, "Sheet1"},
        {"Sheet1", {"Sheet2"}, "Sheet1"},
        {"Sheet1", {"sheet1"}, "Sheet1 (2)"},
        {"Sheet1", {"Sheet1", "Sheet1 (2)"}, "Sheet1 (3)"},
        {"Sheet1 (2)", {"Sheet1", "Sheet1 (2)"}, "Sheet1 (3)"},  // a copy of a copy numbers the original
        {"Data (0)", {"Data (0)"}, "Data (0) (2)"},              // not a copy number
        {"ÄRGER", {"ärger"}, "ÄRGER (2)"},
        {"ＡＢＣ", {"ａｂｃ"}, "ＡＢＣ (2)"},
        {"Москва", {"МОСКВА"}, "Москва (2)"},
        {"1234567890123456789012345678901", {"1234567890123456789012345678901"},
         "123456789012345678901234567 (2)"},
        {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一",
         {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一"},
         "一二三四五六七八九十一二三四五六七八九十一二三四五六七 (2)"},
    };
    for (const auto& c : cases) {
        const std::string got = UniqueSheetName(c.wanted, c.taken);
        EXPECT_EQ(got, c.expected) << c.wanted;
        EXPECT_TRUE(IsValidSheetName(got)) << got;
    }
}

TEST(SheetNaming, NumberingNeverSplitsASurrogatePair) {
    std::string wanted;
    for (int i = 0; i < 15; ++i) wanted += "\xF0\x9F\x98\x80";  // 30 units
    const std::string got = UniqueSheetName(wanted, {wanted});
    // 31 - 4 (" (2)") = 27 units: 13 whole pairs (26 units), never half of the 14th.
    std::string expected;
    for (int i = 0; i < 13; ++i) expected += "\xF0\x9F\x98\x80";
    EXPECT_EQ(got, expected + " (2)");
}

}  // namespace
}  // namespace zelmo::xlsx
