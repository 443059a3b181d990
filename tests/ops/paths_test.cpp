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

}  // namespace
}  // namespace zelmo::ops
