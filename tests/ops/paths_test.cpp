// The names handed to Excel: sources, the merged file, the split files.
#include "ops/paths.h"

#include <gtest/gtest.h>

#include "ops/errors.h"

namespace zelmo::ops {
namespace {

TEST(SplitOutputName, CutsFourUnitsAndAppendsTheNumber) {
    struct Case {
        std::u16string folder;
        std::u16string fileName;
        long sheet;
        const char* expected;
    };
    const Case cases[] = {
        {u"C:\\Data", u"Book1.xlsx", 1, "C:\\Data\\新Book1.1.xlsx"},
        {u"C:\\Data", u"Book1.xlsx", 9, "C:\\Data\\新Book1.9.xlsx"},
        {u"C:\\Data", u"Book1.xlsx", 10, "C:\\Data\\新Book1.10.xlsx"},
        {u"C:\\Data", u"Book1.xlsx", 12, "C:\\Data\\新Book1.12.xlsx"},
        // Four units are cut whatever they are.
        {u"C:\\Data", u"Book1.xlsm", 2, "C:\\Data\\新Book1.2.xlsx"},
        {u"C:\\Data", u"old.xlsx.bak", 3, "C:\\Data\\新old.xlsx3.xlsx"},
        {u"C:\\Data", u"売上.xlsx", 1, "C:\\Data\\新売上.1.xlsx"},
        // A drive root keeps its own separator and gets one more.
        {u"C:\\", u"Book1.xlsx", 1, "C:\\\\新Book1.1.xlsx"},
        // Shorter than four units: nothing is read before the start.
        {u"C:\\Data", u"a.x", 1, "C:\\Data\\新1.xlsx"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(JoinPath(c.folder, SplitOutputName(c.fileName, c.sheet))), c.expected);
    }
}

TEST(SplitFileList, CutsAtEveryBar) {
    struct Case {
        std::u16string fileList;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {u"", {}},
        {u"a.xlsx", {"a.xlsx"}},
        {u"a.xlsx|c.xlsx|d.xlsx", {"a.xlsx", "c.xlsx", "d.xlsx"}},
        {u"a.xlsx||b.xlsx|", {"a.xlsx", "", "b.xlsx", ""}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> names;
        for (const auto& n : SplitFileList(c.fileList)) names.push_back(ToUtf8(n));
        EXPECT_EQ(names, c.names) << ToUtf8(c.fileList);
    }
}

TEST(Text, DecimalHexAndUtf8) {
    EXPECT_EQ(ToUtf8(Decimal(0)), "0");
    EXPECT_EQ(ToUtf8(Decimal(32767)), "32767");
    EXPECT_EQ(ToUtf8(Decimal(-12)), "-12");
    EXPECT_EQ(ToUtf8(Hex32(0x800A03ECu)), "0x800A03EC");
    EXPECT_EQ(ToUtf8(u"新\U0001F600"), "\xE6\x96\xB0\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zelmo::ops
