// Related parts carried with a copied sheet: tables (ids and names unique in the target, formulas
// following renamed tables), threaded comments with their persons, names used by formulas,
// external links, extension content, controls; whatever stays behind is reported by name.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <set>

#include "tables.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx {
namespace {

using test::PartNames;
using test::ReadPart;

Workbook Real(const std::string& name) { return Workbook::OpenFile(std::string(ZELMO_XLSX_DATA) + "/" + name); }

pugi::xml_document Xml(const std::string& bytes, const std::string& part) {
    pugi::xml_document doc;
    doc.load_string(ReadPart(bytes, part).c_str());
    return doc;
}

std::vector<std::string> PartsUnder(const std::string& bytes, const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& n : PartNames(bytes))
        if (n.rfind(folder, 0) == 0 && n.find("/_rels/") == std::string::npos) out.push_back(n);
    std::sort(out.begin(), out.end());
    return out;
}

// What makes the spreadsheet program repair a package: a relationship whose target is missing, a
// part without a content type, or an r:id-like attribute naming no relationship of its part.
void ExpectValidPackage(const std::string& bytes) {
    const auto names = PartNames(bytes);
    const std::set<std::string> present(names.begin(), names.end());
    const pugi::xml_document types = Xml(bytes, "[Content_Types].xml");
    std::set<std::string> defaults, overrides;
    for (pugi::xml_node t : types.first_child().children()) {
        if (std::string(t.name()) == "Default") defaults.insert(t.attribute("Extension").value());
        else overrides.insert(std::string(t.attribute("PartName").value()).substr(1));
    }
    for (const auto& name : names) {
        const std::size_t dot = name.rfind('.');
        EXPECT_TRUE(overrides.count(name) || (dot != std::string::npos && defaults.count(name.substr(dot + 1))))
            << name << " has no content type";
        if (name.find("_rels/") != std::string::npos || dot == std::string::npos) continue;
        const std::size_t slash = name.rfind('/');
        const std::string folder = name.substr(0, slash + 1);
        const std::string rels = folder + "_rels/" + name.substr(slash + 1) + ".rels";
        std::set<std::string> ids;
        const pugi::xml_document relDoc = Xml(bytes, rels);
        for (pugi::xml_node r : relDoc.first_child().children()) {
            ids.insert(r.attribute("Id").value());
            if (std::string(r.attribute("TargetMode").value()) == "External") continue;
            std::string target = r.attribute("Target").value();
            std::string resolved = target[0] == '/' ? target.substr(1) : folder + target;
            for (std::size_t up; (up = resolved.find("/../")) != std::string::npos;) {
                const std::size_t before = resolved.rfind('/', up - 1);
                resolved.erase(before == std::string::npos ? 0 : before + 1, up + 4 - (before == std::string::npos ? 0 : before + 1));
            }
            EXPECT_TRUE(present.count(resolved)) << rels << " points at missing " << resolved;
        }
        if (name.compare(name.size() - 4, 4, ".xml") != 0) continue;
        const pugi::xml_document doc = Xml(bytes, name);
        for (pugi::xpath_node n : doc.select_nodes("//@*[name()='r:id' or name()='r:embed' or name()='r:link']"))
            EXPECT_TRUE(ids.count(n.attribute().value())) << name << " refers to " << n.attribute().value();
    }
}

// id and displayName of every table of a package.
std::map<std::string, std::string> Tables(const std::string& bytes) {
    std::map<std::string, std::string> out;
    for (const auto& part : PartsUnder(bytes, "xl/tables/")) {
        const pugi::xml_document t = Xml(bytes, part);
        const std::string id = t.child("table").attribute("id").value();
        EXPECT_FALSE(out.count(id)) << "table id " << id << " twice";
        out[id] = t.child("table").attribute("displayName").value();
    }
    return out;
}

TEST(RelatedParts, TablesGetIdsAndNamesUniqueInTheTargetAndFormulasFollow) {
    const Workbook source = Real("table10.xlsx");  // Table1 with a calculated column and a totals row
    const struct {
        const char* what;
        std::string targetExtra;  // workbook XML of the target (a defined name)
        int copies;
        std::vector<std::string> names;  // display names after the copies, by id
    } cases[] = {
        {"one copy keeps its name", "", 1, {"Table1"}},
        {"a second copy is numbered", "", 2, {"Table1", "Table12"}},
        {"three copies", "", 3, {"Table1", "Table12", "Table13"}},
        {"a defined name takes the name",
         "<definedNames><definedName name=\"table1\">Sheet1!$A$1</definedName></definedNames>", 1, {"Table12"}},
    };
    for (const auto& c : cases) {
        Workbook target = Workbook::Open(test::MinimalWorkbook({{"Sheet1", ""}}, c.targetExtra));
        for (int i = 0; i < c.copies; ++i) target.CopySheet(source, 0, target.SheetCount(), "Copy" + std::to_string(i));
        const std::string bytes = target.SaveToBytes();
        std::vector<std::string> names;
        for (const auto& t : Tables(bytes)) names.push_back(t.second);
        EXPECT_EQ(names, c.names) << c.what;
        ExpectValidPackage(bytes);
        // The last copy's formulas name its own table, in the cells and in the calculated column.
        const std::string last = c.names.back();
        const std::string sheet = ReadPart(bytes, "xl/worksheets/sheet" + std::to_string(c.copies + 1) + ".xml");
        EXPECT_NE(sheet.find("SUM(" + last + "[[#This Row]"), std::string::npos) << c.what;
        bool calculated = false;
        for (const auto& part : PartsUnder(bytes, "xl/tables/")) {
            const pugi::xml_document t = Xml(bytes, part);
            if (last != t.child("table").attribute("displayName").value()) continue;
            EXPECT_STREQ(t.child("table").attribute("name").value(), last.c_str());
            const pugi::xml_node col = t.select_node("//tableColumn[@id='10']").node();
            EXPECT_EQ(std::string(col.child_value("calculatedColumnFormula")), "SUM(" + last + "[[#This Row],[Column1]:[Column3]])");
            // The column's number format went into the target's differential formats.
            const std::uint32_t dxf = col.attribute("dataDxfId").as_uint();
            const auto styles = PartsUnder(bytes, "xl/styles");
            ASSERT_EQ(styles.size(), 1u);
            EXPECT_LT(dxf, Xml(bytes, styles[0]).select_nodes("//dxfs/dxf").size()) << c.what;
            calculated = true;
        }
        EXPECT_TRUE(calculated) << c.what;
    }
}

TEST(RelatedParts, TablesCopiedWithinTheirWorkbookAndSeveralPerSheet) {
    Workbook book = Real("table06.xlsx");  // three tables on one sheet
    book.CopySheet(book, 0, 1, "Again");
    const Workbook other = Real("table06.xlsx");
    book.CopySheet(other, 0, 2, "Third");
    const std::string bytes = book.SaveToBytes();
    const auto tables = Tables(bytes);
    EXPECT_EQ(tables.size(), 9u);
    std::set<std::string> upper;
    for (const auto& t : tables) {
        std::string u = t.second;
        std::transform(u.begin(), u.end(), u.begin(), [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
        EXPECT_TRUE(upper.insert(u).second) << "table name " << t.second << " twice";
    }
    ExpectValidPackage(bytes);
    EXPECT_EQ(Workbook::Open(bytes).SheetCount(), 3u);
}

TEST(RelatedParts, TableNamesInFormulas) {
    const struct {
        const char* formula;
        const char* expected;
    } cases[] = {
        {"SUM(Table1[Sales])", "SUM(Sales2[Sales])"},
        {"table1[[#This Row],[a]]+Table1[#Totals]", "Sales2[[#This Row],[a]]+Sales2[#Totals]"},
        {"ROWS(Table1)", "ROWS(Sales2)"},
        {"Table10[x]+MyTable1[x]+Table1.x", "Table10[x]+MyTable1[x]+Table1.x"},  // other names
        {"\"Table1[x]\"&'Table1'!A1&Table1!A1", "\"Table1[x]\"&'Table1'!A1&Table1!A1"},  // text, sheets
        {"TABLE1(1)", "TABLE1(1)"},                                                  // a function
    };
    for (const auto& c : cases) {
        std::string f = c.formula;
        EXPECT_EQ(RenameTableInFormula(f, "Table1", "Sales2"), std::string(c.formula) != c.expected) << c.formula;
        EXPECT_EQ(f, c.expected);
    }
}

}  // namespace
}  // namespace zelmo::xlsx
