// Related parts carried with a copied sheet: tables (ids and names unique in the target, formulas
// following renamed tables), threaded comments with their persons, names used by formulas,
// external links, extension content, controls; whatever stays behind is reported by name.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "source_link.h"
#include "tables.h"
#include "workbook_refs.h"
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

TEST(RelatedParts, AThemeTakenOverKeepsItsPictures) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/simple-monthly-budget.xlsx";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no workbook with a picture in its theme";
    const std::string bytes = Workbook::FromSheet(Workbook::OpenFile(file), 0).SaveToBytes();
    ExpectValidPackage(bytes);
    EXPECT_FALSE(ReadPart(bytes, "xl/theme/_rels/theme1.xml.rels").empty());
}

TEST(RelatedParts, SlicersOfTheSheetsPivotTablesComeAlongOthersStayBehind) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/loadExample-smallimages.xlsx";
    const std::string original = test::ReadFile(file);
    // The same workbook with the slicer filtering a pivot table of another sheet (sheetId 7).
    test::Parts parts;
    for (const auto& name : PartNames(original)) {
        std::string content = ReadPart(original, name);
        if (name == "xl/slicerCaches/slicerCache1.xml") content.replace(content.find("tabId=\"1\""), 9, "tabId=\"7\"");
        parts.emplace_back(name, content);
    }
    const std::string foreign = test::MakeZip(parts);
    const struct {
        const char* what;
        std::string source;
        std::vector<std::string> notCarried;
        std::size_t slicers;
    } cases[] = {{"its own pivot table", original, {}, 2}, {"another sheet's pivot table", foreign, {"slicer", "ext:slicerList"}, 0}};
    for (const auto& c : cases) {
        const Workbook source = Workbook::Open(c.source);
        Workbook target = Workbook::CreateNew();
        // IrisSample: a table, a pivot table, a chart and a slicer; copied twice.
        EXPECT_EQ(target.CopySheet(source, 0, 1, "A").notCarried, c.notCarried) << c.what;
        EXPECT_EQ(target.CopySheet(source, 0, 2, "B").notCarried, c.notCarried) << c.what;
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
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
        const auto caches = PartsUnder(bytes, "xl/pivotCache/pivotCacheDefinition");
        ASSERT_EQ(caches.size(), 1u) << c.what;
        const pugi::xml_document cache = Xml(bytes, caches[0]);
        const pugi::xml_node ws = cache.select_node("//worksheetSource").node();
        EXPECT_STREQ(ws.attribute("sheet").value(), "iris") << c.what;
        EXPECT_EQ(static_cast<bool>(ws.attribute("r:id")), c.linked) << c.what;
        const std::string rels = ReadPart(bytes, "xl/pivotCache/_rels/" + caches[0].substr(14) + ".rels");
        EXPECT_EQ(rels.find("loadPivotTables.xlsx\" TargetMode=\"External\"") != std::string::npos, c.linked) << rels;
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
        Workbook target = Workbook::Open(test::MinimalWorkbook({{"iris", ""}}));
        for (std::size_t i : c.order) {
            std::vector<std::string> taken;
            for (const auto& s : target.Sheets()) taken.push_back(s.name);
            target.CopySheet(source, i, target.SheetCount(), UniqueSheetName(source.Sheets()[i].name, taken));
        }
        target.ResolveLinksToCopies();
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        const auto caches = PartsUnder(bytes, "xl/pivotCache/pivotCacheDefinition");
        ASSERT_EQ(caches.size(), 1u) << c.what;
        const pugi::xml_document cache = Xml(bytes, caches[0]);
        const pugi::xml_node ws = cache.select_node("//worksheetSource").node();
        EXPECT_STREQ(ws.attribute("sheet").value(), c.linked ? "iris" : "iris (2)") << c.what;
        EXPECT_EQ(static_cast<bool>(ws.attribute("r:id")), c.linked) << c.what;
        const std::string relsName = "xl/pivotCache/_rels/" + caches[0].substr(14) + ".rels";
        const auto names = PartNames(bytes);
        const std::string rels =
            std::find(names.begin(), names.end(), relsName) != names.end() ? ReadPart(bytes, relsName) : std::string();
        EXPECT_EQ(rels.find("loadPivotTables.xlsx\" TargetMode=\"External\"") != std::string::npos, c.linked) << c.what << rels;
    }
}

TEST(RelatedParts, DynamicArraysKeepTheirCellMetadataWhereTheTargetCanTakeIt) {
    const Workbook source = Real("dynamic_array01.xlsx");
    const std::string other = "<metadata xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><metadataTypes "
                              "count=\"1\"><metadataType name=\"XLMDX\" minSupportedVersion=\"120000\"/></metadataTypes></metadata>";
    const struct {
        const char* what;
        int copies;
        bool otherMetadata;
        std::vector<std::string> notCarried;
    } cases[] = {{"a new workbook", 1, false, {}},
                 {"twice: the second finds the same metadata", 2, false, {}},
                 {"a target with other metadata", 1, true, {"cellMetadata"}}};
    for (const auto& c : cases) {
        Workbook target = Workbook::CreateNew();
        if (c.otherMetadata) {
            // A workbook whose metadata part differs from the source's.
            test::Parts parts;
            const std::string base = target.SaveToBytes();
            for (const auto& name : PartNames(base)) {
                std::string content = ReadPart(base, name);
                if (name == "xl/_rels/workbook.xml.rels")
                    content.insert(content.rfind("</Relationships>"),
                                   "<Relationship Id=\"rIdM\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                   "relationships/sheetMetadata\" Target=\"metadata.xml\"/>");
                if (name == "[Content_Types].xml")
                    content.insert(content.rfind("</Types>"), "<Override PartName=\"/xl/metadata.xml\" ContentType=\"application/"
                                                              "vnd.openxmlformats-officedocument.spreadsheetml.sheetMetadata+xml\"/>");
                parts.emplace_back(name, content);
            }
            parts.emplace_back("xl/metadata.xml", other);
            target = Workbook::Open(test::MakeZip(parts));
        }
        for (int i = 0; i < c.copies; ++i)
            EXPECT_EQ(target.CopySheet(source, 0, 1, "Copy" + std::to_string(i)).notCarried, c.notCarried) << c.what;
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        EXPECT_EQ(PartsUnder(bytes, "xl/metadata").size(), 1u) << c.what;
        const std::string sheet = ReadPart(bytes, "xl/worksheets/sheet2.xml");
        EXPECT_EQ(sheet.find(" cm=\"1\"") != std::string::npos, c.notCarried.empty()) << c.what;
    }
}

TEST(RelatedParts, ChartSeriesFollowTheCopy) {
    const struct {
        const char* what;
        std::string file;
        std::size_t sheet;
        bool alone;
        const char* name;      // the copy's name in a merge
        const char* series;    // the first series formula afterwards
        std::size_t links;     // external links of the result
    } cases[] = {
        {"a chart on its renamed sheet", std::string(ZELMO_XLSX_DATA) + "/realworld/chart_bar01.xlsx", 0, false, "Bars",
         "Bars!$A$1:$A$5", 0},
        {"a chart on its sheet alone", std::string(ZELMO_XLSX_DATA) + "/realworld/chart_bar01.xlsx", 0, true, "", "Sheet1!$A$1:$A$5",
         0},
        {"a chart sheet alone: its data stays in the source", std::string(ZELMO_XLSX_DATA) + "/chartsheet01.xlsx", 1, true, "",
         "[1]Sheet1!$A$1:$A$5", 1},
        {"a chart sheet merged before its data: linked to the source", std::string(ZELMO_XLSX_DATA) + "/chartsheet01.xlsx", 1,
         false, "Chart1", "[1]Sheet1!$A$1:$A$5", 1},
    };
    for (const auto& c : cases) {
        const Workbook source = Workbook::OpenFile(c.file);
        Workbook target = Workbook::CreateNew();
        if (c.alone) target = Workbook::FromSheet(source, c.sheet);
        else target.CopySheet(source, c.sheet, 1, c.name);
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        const auto charts = PartsUnder(bytes, "xl/charts/chart");
        ASSERT_EQ(charts.size(), 1u) << c.what;
        const pugi::xml_document chart = Xml(bytes, charts[0]);
        EXPECT_STREQ(chart.select_node("//*[local-name()='f']").node().child_value(), c.series) << c.what;
        EXPECT_EQ(PartsUnder(bytes, "xl/externalLinks/externalLink").size(), c.links) << c.what;
    }
}

// related.xlsx of make_fixtures.py: threaded comments, persons, a form control, sparklines, names and
// external links used by formulas.
class Related : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        namespace fs = std::filesystem;
        dir_ = (fs::temp_directory_path() / ("zelmo-xlsx-related-" + std::to_string(::getpid()))).string();
        fs::create_directories(dir_);
        const std::string make = std::string("/usr/bin/python3 ") + ZELMO_XLSX_SCRIPTS + "/make_fixtures.py '" + dir_ +
                                 "' >/dev/null 2>&1";
        made_ = std::system(make.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void SetUp() override {
        if (!made_) GTEST_SKIP() << "python3-openpyxl is needed to make the fixtures";
    }
    static Workbook Source() { return Workbook::OpenFile(dir_ + "/related.xlsx"); }
    static std::string dir_;
    static bool made_;
};
std::string Related::dir_;
bool Related::made_ = false;

constexpr const char* kThread1 = "{1D3A6F2E-0000-4000-8000-000000000001}";
constexpr const char* kThread2 = "{1D3A6F2E-0000-4000-8000-000000000002}";

TEST_F(Related, ThreadedCommentsGoWithTheirPersonsAndStayUnique) {
    const struct {
        const char* what;
        bool intoItself;
        int copies;
    } cases[] = {{"into a new workbook", false, 1}, {"twice into one workbook", false, 2}, {"within its workbook", true, 1}};
    for (const auto& c : cases) {
        const Workbook source = Source();
        Workbook target = c.intoItself ? Source() : Workbook::CreateNew();
        for (int i = 0; i < c.copies; ++i) target.CopySheet(source, 0, target.SheetCount(), "Copy" + std::to_string(i));
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        // One persons part, reachable from the workbook, with each person once.
        const auto persons = PartsUnder(bytes, "xl/persons/");
        ASSERT_EQ(persons.size(), 1u) << c.what;
        EXPECT_EQ(Xml(bytes, persons[0]).select_nodes("//person").size(), 2u) << c.what;
        EXPECT_NE(ReadPart(bytes, "xl/_rels/workbook.xml.rels").find("relationships/person\""), std::string::npos);
        // Thread ids unique in the workbook; replies point at their thread; the legacy comments
        // part of each copy names the ids of its own threads.
        std::set<std::string> ids;
        const auto threads = PartsUnder(bytes, "xl/threadedComments/");
        ASSERT_EQ(threads.size(), static_cast<std::size_t>(c.copies + (c.intoItself ? 1 : 0))) << c.what;
        bool keptOriginal = false;
        for (const auto& part : threads) {
            const pugi::xml_document t = Xml(bytes, part);
            const pugi::xml_node first = t.first_child().first_child();
            const pugi::xml_node reply = first.next_sibling();
            EXPECT_TRUE(ids.insert(first.attribute("id").value()).second) << c.what;
            EXPECT_TRUE(ids.insert(reply.attribute("id").value()).second) << c.what;
            EXPECT_STREQ(reply.attribute("parentId").value(), first.attribute("id").value()) << c.what;
            keptOriginal |= std::string(first.attribute("id").value()) == kThread1 &&
                            std::string(reply.attribute("id").value()) == kThread2;
        }
        EXPECT_TRUE(keptOriginal) << c.what << ": the first copy keeps the ids";
        for (const auto& part : PartsUnder(bytes, "xl/comments")) {
            const std::string xml = ReadPart(bytes, part);
            const std::size_t at = xml.find("tc={");
            ASSERT_NE(at, std::string::npos) << c.what;
            const std::string id = xml.substr(at + 3, 38);
            EXPECT_TRUE(ids.count(id)) << c.what << ": " << part << " names " << id;
            EXPECT_NE(xml.find("xr:uid=\"" + id), std::string::npos) << c.what;
        }
    }
}

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
        Workbook target = Workbook::Open(test::MinimalWorkbook({{"Sheet1", ""}}, c.targetNames));
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

TEST_F(Related, SparklinesControlsAndSelfReferencesFollowTheCopy) {
    const struct {
        const char* what;
        std::vector<std::string> targetSheets;
        std::vector<std::string> notCarried;
        std::size_t sparklines;
    } cases[] = {
        {"the other sheet may still come", {"Sheet1"}, {}, 2},
        {"the other sheet is there", {"Sheet1", "Params"}, {}, 2},
        {"alone in a new workbook", {}, {"ext:sparklineGroups"}, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> sheets;
        for (const auto& n : c.targetSheets) sheets.emplace_back(n, "");
        CopyReport report;
        Workbook target = sheets.empty() ? Workbook::FromSheet(Source(), 0, &report) : Workbook::Open(test::MinimalWorkbook(sheets));
        if (!sheets.empty()) report = target.CopySheet(Source(), 0, target.SheetCount(), "Data (2)");
        const std::string self = sheets.empty() ? "Data!A1:A3" : "'Data (2)'!A1:A3";
        EXPECT_EQ(report.notCarried, c.notCarried) << c.what;
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        const std::string part = PartsUnder(bytes, "xl/worksheets/sheet").back();
        const pugi::xml_document sheet = Xml(bytes, part);
        const pugi::xpath_node_set lines = sheet.select_nodes("//*[local-name()='sparkline']");
        ASSERT_EQ(lines.size(), c.sparklines) << c.what;
        EXPECT_EQ(lines.first().node().first_child().child_value(), self) << c.what;
        EXPECT_EQ(PartsUnder(bytes, "xl/ctrlProps/").size(), 1u) << c.what;
        EXPECT_TRUE(sheet.select_node("//*[local-name()='control']")) << c.what;
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
    const Workbook fromBytes = Workbook::Open(test::ReadFile(dir_ + "/related.xlsx"));
    const std::string plain = Workbook::FromSheet(fromBytes, 0).SaveToBytes();
    EXPECT_STREQ(Xml(plain, "xl/workbook.xml").select_node("//definedName[@name='Region']").node().child_value(),
                 "Params!$A$1:$A$3");
    // Read from bytes with the file named, it links as when read from the file.
    const Workbook named = Workbook::Open(test::ReadFile(dir_ + "/related.xlsx"), dir_ + "/related.xlsx");
    const std::string linked = Workbook::FromSheet(named, 0).SaveToBytes();
    EXPECT_STREQ(Xml(linked, "xl/workbook.xml").select_node("//definedName[@name='Region']").node().child_value(),
                 "[2]Params!$A$1:$A$3");
}

TEST_F(Related, QueryTablesComeAlongWithTheirConnections) {
    const std::string original = test::ReadFile(dir_ + "/related.xlsx");
    // The same workbook without its connections part: the query tables cannot go along.
    test::Parts parts;
    for (const auto& name : PartNames(original))
        if (name != "xl/connections.xml") parts.emplace_back(name, ReadPart(original, name));
    const std::string unconnected = test::MakeZip(parts);
    const struct {
        const char* what;
        std::string source;
        std::vector<std::string> notCarried;
        std::vector<std::string> connections;  // names in the target afterwards
    } cases[] = {{"connected", original, {}, {"Codes", "Codes2"}}, {"no connections part", unconnected, {"queryTable"}, {}}};
    for (const auto& c : cases) {
        const Workbook source = Workbook::Open(c.source);
        Workbook target = Workbook::CreateNew();
        EXPECT_EQ(target.CopySheet(source, 1, 1, "Params").notCarried, c.notCarried) << c.what;
        EXPECT_EQ(target.CopySheet(source, 1, 2, "Params (2)").notCarried, c.notCarried) << c.what;
        const std::string bytes = target.SaveToBytes();
        ExpectValidPackage(bytes);
        std::map<std::string, std::string> nameOfId;
        std::vector<std::string> names;
        const pugi::xml_document conns = Xml(bytes, "xl/connections.xml");
        for (pugi::xml_node n : conns.first_child().children()) {
            names.emplace_back(n.attribute("name").value());
            nameOfId[n.attribute("id").value()] = n.attribute("name").value();
        }
        EXPECT_EQ(names, c.connections) << c.what;
        const auto queries = PartsUnder(bytes, "xl/queryTables/");
        EXPECT_EQ(queries.size(), c.connections.size()) << c.what;
        std::set<std::string> used;
        for (const auto& q : queries)
            used.insert(nameOfId[Xml(bytes, q).first_child().attribute("connectionId").value()]);
        EXPECT_EQ(used.size(), c.connections.size()) << c.what << ": each query its own connection";
        for (const auto& t : PartsUnder(bytes, "xl/tables/")) {
            const pugi::xml_document table = Xml(bytes, t);
            EXPECT_EQ(std::string(table.first_child().attribute("tableType").value()), c.connections.empty() ? "" : "queryTable")
                << c.what;
        }
    }
}

// The part-by-part checker (check_package.py) on merges and splits of the fixtures: nothing the
// spreadsheet program would repair, and every related part there unless reported as not carried.
TEST_F(Related, PackageCheckerFindsNothingToRepair) {
    const std::string out = dir_ + "/merged.xlsx";
    std::string args = "'" + out + "'";
    Workbook merged = Workbook::CreateNew();
    const struct {
        std::string file;
        std::size_t sheet;
    } sources[] = {{dir_ + "/related.xlsx", 0}, {dir_ + "/related.xlsx", 1}, {dir_ + "/related.xlsx", 0},
                   {std::string(ZELMO_XLSX_DATA) + "/table10.xlsx", 0}, {std::string(ZELMO_XLSX_DATA) + "/table06.xlsx", 0},
                   {std::string(ZELMO_XLSX_DATA) + "/table10.xlsx", 0}};
    std::vector<std::string> taken{"Sheet1"};
    for (const auto& s : sources) {
        const Workbook book = Workbook::OpenFile(s.file);
        // Named as a merge names them: formulas naming the source's other sheets find them.
        const std::string name = UniqueSheetName(book.Sheets()[s.sheet].name, taken);
        taken.push_back(name);
        const CopyReport report = merged.CopySheet(book, s.sheet, merged.SheetCount(), name);
        std::string notCarried;
        for (const auto& what : report.notCarried) notCarried += (notCarried.empty() ? "" : ",") + what;
        args += " '" + s.file + "' '" + book.Sheets()[s.sheet].name + "' '" + name + "' '" +
                (notCarried.empty() ? "-" : notCarried) + "'";
    }
    merged.RemoveSheet(0);
    merged.SaveFile(out);
    const std::string cmd = std::string("/usr/bin/python3 ") + ZELMO_XLSX_SCRIPTS + "/check_package.py " + args;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    // Each sheet alone in a workbook of its own.
    const std::string alone = dir_ + "/alone.xlsx";
    Workbook::FromSheet(Source(), 0).SaveFile(alone);
    const std::string one = std::string("/usr/bin/python3 ") + ZELMO_XLSX_SCRIPTS + "/check_package.py '" + alone +
                            "' '" + dir_ + "/related.xlsx' Data Data ext:sparklineGroups";
    EXPECT_EQ(std::system(one.c_str()), 0) << one;
}

}  // namespace
}  // namespace zelmo::xlsx
