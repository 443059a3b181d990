// Related parts carried with a copied sheet: theme pictures, cell metadata, charts, threaded
// comments with their persons, sparklines and controls, query tables with their connections;
// whatever stays behind is reported by name, and the part-by-part checker finds nothing to repair.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "copy_fixture.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx::test {
namespace {

TEST(RelatedParts, AThemeTakenOverKeepsItsPictures) {
    const std::string file = std::string(ZELMO_XLSX_DATA) + "/realworld/simple-monthly-budget.xlsx";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no workbook with a picture in its theme";
    const std::string bytes = Workbook::FromSheet(Workbook::OpenFile(file), 0).SaveToBytes();
    ExpectValidPackage(bytes);
    EXPECT_FALSE(ReadPart(bytes, "xl/theme/_rels/theme1.xml.rels").empty());
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
            auto addMetadata = [](const std::string& name, std::string& content) {
                if (name == "xl/_rels/workbook.xml.rels")
                    content.insert(content.rfind("</Relationships>"),
                                   "<Relationship Id=\"rIdM\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                   "relationships/sheetMetadata\" Target=\"metadata.xml\"/>");
                if (name == "[Content_Types].xml")
                    content.insert(content.rfind("</Types>"), "<Override PartName=\"/xl/metadata.xml\" ContentType=\"application/"
                                                              "vnd.openxmlformats-officedocument.spreadsheetml.sheetMetadata+xml\"/>");
                return true;
            };
            target = Workbook::Open(EditParts(target.SaveToBytes(), addMetadata, {{"xl/metadata.xml", other}}));
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
        Workbook target = sheets.empty() ? Workbook::FromSheet(Source(), 0, &report) : Workbook::Open(MinimalWorkbook(sheets));
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

TEST_F(Related, QueryTablesComeAlongWithTheirConnections) {
    const std::string original = ReadFile(dir_ + "/related.xlsx");
    // The same workbook without its connections part: the query tables cannot go along.
    const std::string unconnected =
        EditParts(original, [](const std::string& name, std::string&) { return name != "xl/connections.xml"; });
    const struct {
        const char* what;
        std::string source;
        std::vector<std::string> notCarried;
        std::vector<std::string> connections;  // names in the target afterwards
    } cases[] = {{"connected", original, {}, {"Codes", "Codes2"}}, {"no connections part", unconnected, {"queryTable"}, {}}};
    for (const auto& c : cases) {
        const std::string bytes = CopiedIntoNew(c.source, 1, {"Params", "Params (2)"}, c.notCarried, c.what);
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
}  // namespace zelmo::xlsx::test
