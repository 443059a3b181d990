// What a copied sheet's formulas refer to outside the sheet: the workbook names and external links
// they use come along (links renumbered), and other sheets and tables of the source are linked to
// its file.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <map>

#include "copy_fixture.h"
#include "source_link.h"
#include "workbook_refs.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx::test {
namespace {

TEST_F(Related, NamesAndExternalLinksUsedByTheFormulasComeAlong) {
    const struct {
        const char* what;
        std::string targetNames;  // definedNames of the target
        int copies;
        std::vector<std::string> names;  // workbook names of the target afterwards
        const char* rate;
    } cases[] = {
        {"a new workbook", "", 1, {"Chain", "Limit", "Rate", "Region"}, "0.1"},
        // The target's own Rate is kept for the workbook; the copy, meaning another, has its own.
        {"the target's own Rate is kept", "<definedNames><definedName name=\"RATE\">0.5</definedName></definedNames>", 1,
         {"Chain", "Limit", "RATE", "Rate", "Region"}, "0.5"},
        {"copied twice, names and link once", "", 2, {"Chain", "Limit", "Rate", "Region"}, "0.1"},
    };
    for (const auto& c : cases) {
        const Workbook source = Source();
        Workbook target = Workbook::Open(MinimalWorkbook({{"Sheet1", ""}}, c.targetNames));
        for (int i = 0; i < c.copies; ++i) target.CopySheet(source, 0, target.SheetCount(), "Copy" + std::to_string(i));
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
        std::vector<std::string> names;
        std::string rate;
        for (pugi::xml_node n : wb.child("workbook").child("definedNames").children()) {
            names.emplace_back(n.attribute("name").value());
            if (SheetNamesEqual(n.attribute("name").value(), "rate") && !n.attribute("localSheetId")) rate = n.child_value();
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(rate, c.rate) << c.what;
        // Only the second link is used: it becomes the target's first, and "[2]" reads "[1]". The
        // second is the link to the source itself (for its sheet Params), made once.
        const pugi::xpath_node_set refs = wb.select_nodes("//externalReferences/externalReference");
        ASSERT_EQ(refs.size(), 2u) << c.what;
        const auto links = PartsUnder(bytes, "xl/externalLinks/");
        ASSERT_EQ(links.size(), 2u) << c.what;
        EXPECT_NE(ReadPart(bytes, "xl/externalLinks/_rels/" + links[0].substr(17) + ".rels").find("other.xlsx"),
                  std::string::npos);
        EXPECT_NE(ReadPart(bytes, "xl/externalLinks/_rels/" + links[1].substr(17) + ".rels").find("related.xlsx"),
                  std::string::npos);
        for (int i = 0; i < c.copies; ++i) {
            const pugi::xml_document sheet = Xml(bytes, "xl/worksheets/sheet" + std::to_string(i + 2) + ".xml");
            EXPECT_STREQ(sheet.select_node("//c[@r='C1']/f").node().child_value(), "'[1]Other sheet'!B2") << c.what;
        }
    }
}

TEST(ExternalLinks, NumbersInFormulasAreRenumbered) {
    const std::map<unsigned, unsigned> links{{1, 3}, {2, 1}};
    const struct {
        const char* formula;
        const char* expected;
    } cases[] = {
        {"[1]Prices!$A$1+'[2]Other sheet'!B2", "[3]Prices!$A$1+'[1]Other sheet'!B2"},
        {"SUM([2]!Total)*[7]S!A1", "SUM([1]!Total)*[7]S!A1"},  // a link name; an unknown number stays
        {"Table1[[#This Row],[1]]+\"[1]x\"", "Table1[[#This Row],[1]]+\"[1]x\""},  // table column, text
        {"[@[2]]*2", "[@[2]]*2"},
    };
    for (const auto& c : cases) {
        std::string f = c.formula;
        RenumberExternalLinks(f, links);
        EXPECT_EQ(f, c.expected);
    }
}

TEST(SourceLinks, OtherSheetsAndTablesOfTheSourcePointAtItsFile) {
    SourceLink link;
    link.sheets = {"Params", "Other sheet"};
    link.tables = {"BigCity"};
    link.number = 3;
    link.allSheets = {"Data", "Params", "Other sheet"};
    link.threeD = true;
    const struct {
        const char* formula;
        const char* expected;
    } cases[] = {
        {"SUM(Params!A1:A3)+'Other sheet'!B2", "SUM([3]Params!A1:A3)+'[3]Other sheet'!B2"},
        {"COUNTA(BigCity[City])&\"Params!A1\"", "COUNTA([3]!BigCity[City])&\"Params!A1\""},
        {"Data!A1+BigCityX[a]+[1]Params!A1", "Data!A1+BigCityX[a]+[1]Params!A1"},  // own sheet, other table, other link
        {"SUM('Params:Other sheet'!A1)+SUM(Data:Params!B2)", "SUM('[3]Params:Other sheet'!A1)+SUM([3]Data:Params!B2)"},
        {"SUM(A1:Params!B2)", "SUM(A1:[3]Params!B2)"},  // the range operator after a cell
    };
    for (const auto& c : cases) {
        std::string f = c.formula;
        EXPECT_EQ(PointAtSource(f, link), std::string(c.formula) != c.expected) << c.formula;
        EXPECT_EQ(f, c.expected);
    }
}

TEST_F(Related, ASheetAloneLinksToItsSourceForOtherSheets) {
    const std::string bytes = Workbook::FromSheet(Source(), 0).SaveToBytes();
    ExpectValidPackage(bytes);
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    // The used link of the source first, then the link to the source itself.
    EXPECT_EQ(wb.select_nodes("//externalReference").size(), 2u);
    EXPECT_STREQ(wb.select_node("//definedName[@name='Region']").node().child_value(), "[2]Params!$A$1:$A$3");
    EXPECT_STREQ(wb.select_node("//definedName[@name='Rate']").node().child_value(), "0.1");
    const std::string rels = ReadPart(bytes, "xl/externalLinks/_rels/externalLink2.xml.rels");
    EXPECT_NE(rels.find("related.xlsx\" TargetMode=\"External\""), std::string::npos) << rels;
    EXPECT_TRUE(Xml(bytes, "xl/externalLinks/externalLink2.xml").select_node("//sheetName[@val='Params']"));
    // A workbook read from bytes has no file to link to: formulas stay as written.
    const Workbook fromBytes = Workbook::Open(ReadFile(dir_ + "/related.xlsx"));
    const std::string plain = Workbook::FromSheet(fromBytes, 0).SaveToBytes();
    EXPECT_STREQ(Xml(plain, "xl/workbook.xml").select_node("//definedName[@name='Region']").node().child_value(),
                 "Params!$A$1:$A$3");
    // Read from bytes with the file named, it links as when read from the file.
    const Workbook named = Workbook::Open(ReadFile(dir_ + "/related.xlsx"), dir_ + "/related.xlsx");
    const std::string linked = Workbook::FromSheet(named, 0).SaveToBytes();
    EXPECT_STREQ(Xml(linked, "xl/workbook.xml").select_node("//definedName[@name='Region']").node().child_value(),
                 "[2]Params!$A$1:$A$3");
}

}  // namespace
}  // namespace zelmo::xlsx::test
