// Tables and pivot tables carried with a copied sheet: table ids and names unique in the target,
// formulas following renamed tables, pivot caches under cacheIds of their own, slicers of the
// sheet's pivot tables, and pivot caches reading their data sheet or its copy.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

#include "copy_fixture.h"
#include "tables.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx::test {
namespace {

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
        Workbook target = Workbook::Open(MinimalWorkbook({{"Sheet1", ""}}, c.targetExtra));
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

TEST(RelatedParts, PivotTablesGetCacheIdsOfTheirOwnCopiedCaches) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/loadPivotTables.xlsx";
    Workbook book = Workbook::OpenFile(file);  // cacheIds 67 and 68; two pivots share the second
    const Workbook other = Workbook::OpenFile(file);
    EXPECT_TRUE(book.CopySheet(book, 1, 5, "iris_pivot (2)").notCarried.empty());
    EXPECT_TRUE(book.CopySheet(other, 3, 6, "penguins_pivot1 (2)").notCarried.empty());
    const std::string bytes = book.SaveToBytes();
    ExpectValidPackage(bytes);
    // Every pivot table names a registered cacheId whose relationship leads to the cache its own
    // relationship leads to.
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    const pugi::xml_document wbRels = Xml(bytes, "xl/_rels/workbook.xml.rels");
    std::map<std::string, std::string> cacheOfId;
    for (pugi::xml_node c : wb.child("workbook").child("pivotCaches").children()) {
        const std::string rid = c.attribute("r:id").value();
        const std::string target = wbRels.select_node(("//*[@Id='" + rid + "']").c_str()).node().attribute("Target").value();
        EXPECT_TRUE(cacheOfId.emplace(c.attribute("cacheId").value(), "xl/" + target).second) << "cacheId twice";
    }
    EXPECT_EQ(cacheOfId.size(), 4u);
    const auto pivots = PartsUnder(bytes, "xl/pivotTables/");
    EXPECT_EQ(pivots.size(), 5u);
    for (const auto& part : pivots) {
        const std::string id = Xml(bytes, part).child("pivotTableDefinition").attribute("cacheId").value();
        ASSERT_TRUE(cacheOfId.count(id)) << part;
        const std::string rels = "xl/pivotTables/_rels/" + part.substr(15) + ".rels";
        const std::string target = Xml(bytes, rels).first_child().first_child().attribute("Target").value();
        EXPECT_EQ("xl/pivotCache/" + target.substr(target.rfind('/') + 1), cacheOfId[id]) << part;
    }
    const std::string out = ::testing::TempDir() + "/pivots.xlsx";
    book.SaveFile(out);
    const std::string cmd = std::string("/usr/bin/python3 ") + ZELMO_XLSX_SCRIPTS + "/check_package.py '" + out + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(RelatedParts, SlicersOfTheSheetsPivotTablesComeAlongOthersStayBehind) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/loadExample-smallimages.xlsx";
    const std::string original = ReadFile(file);
    // The same workbook with the slicer filtering a pivot table of another sheet (sheetId 7).
    const std::string foreign = EditParts(original, [](const std::string& name, std::string& content) {
        if (name == "xl/slicerCaches/slicerCache1.xml") content.replace(content.find("tabId=\"1\""), 9, "tabId=\"7\"");
        return true;
    });
    const struct {
        const char* what;
        std::string source;
        std::vector<std::string> notCarried;
        std::size_t slicers;
    } cases[] = {{"its own pivot table", original, {}, 2}, {"another sheet's pivot table", foreign, {"slicer", "ext:slicerList"}, 0}};
    for (const auto& c : cases) {
        // IrisSample: a table, a pivot table, a chart and a slicer; copied twice.
        const std::string bytes = CopiedIntoNew(c.source, 0, {"A", "B"}, c.notCarried, c.what);
        EXPECT_EQ(PartsUnder(bytes, "xl/pivotTables/").size(), 2u) << c.what;
        // Slicers and their caches unique by name; each cache filters the pivot table of its copy
        // and is a defined name; each slicer frame names a slicer.
        std::set<std::string> slicers, caches, frames;
        for (const auto& part : PartsUnder(bytes, "xl/slicers/")) {
            const pugi::xml_document list = Xml(bytes, part);
            for (pugi::xml_node sl : list.first_child().children()) slicers.insert(sl.attribute("name").value());
        }
        const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
        std::set<std::string> tabIds;
        for (const auto& part : PartsUnder(bytes, "xl/slicerCaches/")) {
            const pugi::xml_document cache = Xml(bytes, part);
            const std::string name = cache.first_child().attribute("name").value();
            caches.insert(name);
            EXPECT_TRUE(wb.select_node(("//definedName[@name='" + name + "']").c_str())) << name;
            tabIds.insert(cache.select_node("//*[local-name()='pivotTable']").node().attribute("tabId").value());
        }
        for (const auto& part : PartsUnder(bytes, "xl/drawings/drawing")) {
            const pugi::xml_document d = Xml(bytes, part);
            for (pugi::xpath_node n : d.select_nodes("//*[local-name()='graphicData']/*[local-name()='slicer']"))
                frames.insert(n.node().attribute("name").value());
        }
        EXPECT_EQ(slicers.size(), c.slicers) << c.what;
        EXPECT_EQ(caches.size(), c.slicers) << c.what;
        EXPECT_EQ(frames, slicers) << c.what;
        if (c.slicers) {
            EXPECT_EQ(tabIds, (std::set<std::string>{"2", "3"})) << c.what;
        }
        EXPECT_EQ(wb.select_nodes("//*[local-name()='slicerCache']").size(), c.slicers) << c.what;
        // Each pivot cache reads the table of its own copy ("Table2", then the renamed one).
        std::set<std::string> tables, sources;
        for (const auto& t : Tables(bytes)) tables.insert(t.second);
        for (const auto& part : PartsUnder(bytes, "xl/pivotCache/pivotCacheDefinition")) {
            const pugi::xml_document cache = Xml(bytes, part);
            sources.insert(cache.select_node("//worksheetSource").node().attribute("name").value());
        }
        EXPECT_EQ(sources, tables) << c.what;
    }
}

// The package's only pivot cache: the sheet its source range names, whether it names it through a
// relationship (to the source file), and the cache's relationships ("" when it has none).
struct CacheSource {
    std::string sheet;
    bool linked = false;
    std::string rels;
};
void ReadOnlyCacheSource(const std::string& bytes, CacheSource& out) {
    const auto caches = PartsUnder(bytes, "xl/pivotCache/pivotCacheDefinition");
    ASSERT_EQ(caches.size(), 1u);
    const pugi::xml_document cache = Xml(bytes, caches[0]);
    const pugi::xml_node ws = cache.select_node("//worksheetSource").node();
    out.sheet = ws.attribute("sheet").value();
    out.linked = static_cast<bool>(ws.attribute("r:id"));
    out.rels = ReadPart(bytes, "xl/pivotCache/_rels/" + caches[0].substr(14) + ".rels");
}

TEST(RelatedParts, APivotCacheWithoutItsDataSheetReadsItsSourceFile) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/loadPivotTables.xlsx";
    const struct {
        const char* what;
        bool alone;
        bool linked;
    } cases[] = {{"split", true, true}, {"merge", false, true}};
    for (const auto& c : cases) {
        const Workbook source = Workbook::OpenFile(file);
        Workbook target = Workbook::CreateNew();
        if (c.alone) target = Workbook::FromSheet(source, 1);  // iris_pivot, its data on "iris"
        else target.CopySheet(source, 1, 1, "iris_pivot");
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        CacheSource cache;
        ASSERT_NO_FATAL_FAILURE(ReadOnlyCacheSource(bytes, cache)) << c.what;
        EXPECT_EQ(cache.sheet, "iris") << c.what;
        EXPECT_EQ(cache.linked, c.linked) << c.what;
        EXPECT_EQ(cache.rels.find("loadPivotTables.xlsx\" TargetMode=\"External\"") != std::string::npos, c.linked)
            << cache.rels;
    }
}

// Merged with its data sheet, in either order, into a workbook that has a sheet of the data
// sheet's name: the cache reads the data sheet's copy once links are resolved, not the file and
// not the target's own sheet of that name.
TEST(RelatedParts, AMergedPivotCacheReadsItsDataSheetsCopy) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/loadPivotTables.xlsx";
    const Workbook source = Workbook::OpenFile(file);
    ASSERT_EQ(source.Sheets()[0].name, "iris");
    const struct {
        const char* what;
        std::vector<std::size_t> order;  // the source's sheets in the order they are copied
        bool linked;                     // whether the cache still reads the file after resolving
    } cases[] = {{"data sheet first", {0, 1}, false}, {"pivot sheet first", {1, 0}, false}, {"no data sheet", {1}, true}};
    for (const auto& c : cases) {
        Workbook target = Workbook::Open(MinimalWorkbook({{"iris", ""}}));
        for (std::size_t i : c.order) {
            std::vector<std::string> taken;
            for (const auto& s : target.Sheets()) taken.push_back(s.name);
            target.CopySheet(source, i, target.SheetCount(), UniqueSheetName(source.Sheets()[i].name, taken));
        }
        target.ResolveLinksToCopies();
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        CacheSource cache;
        ASSERT_NO_FATAL_FAILURE(ReadOnlyCacheSource(bytes, cache)) << c.what;
        EXPECT_EQ(cache.sheet, c.linked ? "iris" : "iris (2)") << c.what;
        EXPECT_EQ(cache.linked, c.linked) << c.what;
        EXPECT_EQ(cache.rels.find("loadPivotTables.xlsx\" TargetMode=\"External\"") != std::string::npos, c.linked)
            << c.what << cache.rels;
    }
}

}  // namespace
}  // namespace zelmo::xlsx::test
