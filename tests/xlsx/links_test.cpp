// References to other sheets across copies: links to the source file on every copy into another
// workbook, with cached values; links resolved to copies in the same workbook; clashing names.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>

#include "copy_fixture.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx {
namespace {

using test::ReadPart;
using test::Xml;

// The parts of a saved workbook: sheet name -> its part.
std::map<std::string, std::string> SheetParts(const std::string& bytes) {
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    const pugi::xml_document rels = Xml(bytes, "xl/_rels/workbook.xml.rels");
    std::map<std::string, std::string> out;
    for (pugi::xml_node s : wb.child("workbook").child("sheets").children("sheet"))
        for (pugi::xml_node r : rels.first_child().children())
            if (std::string(r.attribute("Id").value()) == s.attribute("r:id").value())
                out[s.attribute("name").value()] = "xl/" + std::string(r.attribute("Target").value());
    return out;
}

std::string Formula(const std::string& bytes, const std::string& part, const char* cell) {
    return Xml(bytes, part).select_node(("//c[@r='" + std::string(cell) + "']/f").c_str()).node().child_value();
}

std::size_t LinkParts(const std::string& bytes) {
    std::size_t n = 0;
    for (const auto& p : test::PartNames(bytes)) n += p.rfind("xl/externalLinks/externalLink", 0) == 0;
    return n;
}

// A monthly workbook made from one template: "集計" sums "明細" directly and through the name 合計.
std::string Month(int month) {
    std::string detail;
    for (int r = 2; r <= 10; ++r)
        detail += "<row r=\"" + std::to_string(r) + "\"><c r=\"B" + std::to_string(r) + "\"><v>" +
                  std::to_string(month * 100 + r) + "</v></c></row>";
    detail += "<row r=\"11\"><c r=\"A11\" t=\"inlineStr\"><is><t>月" + std::to_string(month) + "</t></is></c></row>";
    const std::string summary =
        "<row r=\"1\"><c r=\"A1\"><f>SUM(明細!B2:B10)</f><v>0</v></c><c r=\"B1\"><f>明細!B2</f><v>0</v></c>"
        "<c r=\"C1\"><f>SUM(合計)</f><v>0</v></c><c r=\"D1\" t=\"str\"><f>明細!A11</f><v></v></c></row>";
    return test::MinimalWorkbook({{"集計", summary}, {"明細", detail}},
                                 "<definedNames><definedName name=\"合計\">明細!$B$2:$B$10</definedName></definedNames>");
}

std::string MonthPath(int month) { return "/tmp/zelmo-months/month" + std::to_string(month) + ".xlsx"; }

TEST(SourceLinks, TemplateBooksMergedReadTheirOwnDetailSheets) {
    for (int books : {3, 12}) {
        std::vector<Workbook> sources;
        for (int m = 1; m <= books; ++m) sources.push_back(Workbook::Open(Month(m), MonthPath(m)));
        // As the program merges: every sheet after the last one of a new workbook.
        Workbook merged = Workbook::CreateNew();
        for (const Workbook& source : sources)
            for (std::size_t i = 0; i < source.SheetCount(); ++i) {
                std::vector<std::string> taken;
                for (const auto& s : merged.Sheets()) taken.push_back(s.name);
                merged.CopySheet(source, i, merged.SheetCount(), UniqueSheetName(source.Sheets()[i].name, taken));
            }
        // Before resolving, the later summaries link to their own files.
        const std::string linked = merged.SaveToBytes();
        EXPECT_EQ(Formula(linked, SheetParts(linked).at("集計 (2)"), "A1"), "SUM([2]明細!B2:B10)") << books;
        merged.ResolveLinksToCopies();
        const std::string bytes = merged.SaveToBytes();
        const auto parts = SheetParts(bytes);
        const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
        std::vector<std::string> order;
        for (pugi::xml_node s : wb.child("workbook").child("sheets").children("sheet")) order.push_back(s.attribute("name").value());
        for (int m = 1; m <= books; ++m) {
            const std::string suffix = m == 1 ? "" : " (" + std::to_string(m) + ")";
            const std::string detail = m == 1 ? "明細" : "'明細" + suffix + "'";
            const std::string part = parts.at("集計" + suffix);
            EXPECT_EQ(Formula(bytes, part, "A1"), "SUM(" + detail + "!B2:B10)") << books << " " << m;
            EXPECT_EQ(Formula(bytes, part, "B1"), detail + "!B2");
            EXPECT_EQ(Formula(bytes, part, "C1"), "SUM(合計)");
            // The name 合計 of each summary adds up its own detail sheet: the first book's is the
            // workbook's, the others' are names of their summary sheets.
            const auto index = std::find(order.begin(), order.end(), "集計" + suffix) - order.begin();
            const std::string query = m == 1 ? "//definedName[@name='合計'][not(@localSheetId)]"
                                             : "//definedName[@name='合計'][@localSheetId='" + std::to_string(index) + "']";
            EXPECT_STREQ(wb.select_node(query.c_str()).node().child_value(), (detail + "!$B$2:$B$10").c_str()) << m;
        }
        // Each detail sheet also brings 合計 along as a name of its own (the workbook has one).
        EXPECT_EQ(wb.select_nodes("//definedName").size(), static_cast<std::size_t>(2 * books));
        EXPECT_EQ(LinkParts(bytes), 0u) << "a merge of whole workbooks needs no link";
        EXPECT_FALSE(wb.select_node("//externalReferences"));
        EXPECT_EQ(ReadPart(bytes, "xl/_rels/workbook.xml.rels").find("externalLink"), std::string::npos);
        EXPECT_EQ(Workbook::Open(bytes).SheetCount(), static_cast<std::size_t>(2 * books + 1));
    }
}

TEST(SourceLinks, ASplitSheetReadsTheSourceFileWithCachedValues) {
    const Workbook source = Workbook::Open(Month(4), MonthPath(4));
    const std::string bytes = Workbook::FromSheet(source, 0).SaveToBytes();
    const std::string part = SheetParts(bytes).at("集計");
    EXPECT_EQ(Formula(bytes, part, "A1"), "SUM([1]明細!B2:B10)");
    EXPECT_EQ(Formula(bytes, part, "B1"), "[1]明細!B2");
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    EXPECT_STREQ(wb.select_node("//definedName[@name='合計']").node().child_value(), "[1]明細!$B$2:$B$10");
    ASSERT_EQ(LinkParts(bytes), 1u);
    const pugi::xml_document link = Xml(bytes, "xl/externalLinks/externalLink1.xml");
    EXPECT_EQ(link.select_nodes("//sheetName").size(), 2u);
    // The cells the formulas read, on the second sheet (sheetId 1), as their values.
    const pugi::xml_node detail = link.select_node("//sheetData[@sheetId='1']").node();
    EXPECT_EQ(detail.select_nodes("row/cell").size(), 10u);
    EXPECT_STREQ(detail.select_node("row/cell[@r='B5']/v").node().child_value(), "405");
    EXPECT_STREQ(detail.select_node("row/cell[@r='A11']").node().attribute("t").value(), "str");
    EXPECT_STREQ(detail.select_node("row/cell[@r='A11']/v").node().child_value(), "月4");
    EXPECT_FALSE(link.select_node("//sheetData[@sheetId='0']/row"));
    EXPECT_NE(ReadPart(bytes, "xl/externalLinks/_rels/externalLink1.xml.rels").find("month4.xlsx\" TargetMode=\"External\""),
              std::string::npos);
    // Resolving changes nothing: the source's detail sheet is not in this workbook.
    Workbook book = Workbook::FromSheet(source, 0);
    book.ResolveLinksToCopies();
    EXPECT_EQ(Formula(book.SaveToBytes(), part, "A1"), "SUM([1]明細!B2:B10)");
}

TEST(SourceLinks, EqualNamesServeOnceAndNamesOfOtherMeaningsBecomeTheCopysOwn) {
    const Workbook jan = Workbook::Open(Month(1), MonthPath(1));
    // A target with its own 合計 that means what the copy's will: the target's name serves.
    Workbook target = Workbook::Open(test::MinimalWorkbook(
        {{"Sheet1", ""}}, "<definedNames><definedName name=\"合計\">[1]明細!$B$2:$B$10</definedName></definedNames>"));
    target.CopySheet(jan, 0, 1, "集計");
    target.CopySheet(jan, 0, 2, "集計 (2)");  // the same source again: its link and name serve
    const std::string bytes = target.SaveToBytes();
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    EXPECT_EQ(wb.select_nodes("//definedName[@name='合計']").size(), 1u);
    EXPECT_EQ(wb.select_nodes("//externalReference").size(), 1u);
}

// LibreOffice, recalculating every workbook on loading, shows each merged summary with its own
// month's sums, and the split summary with the values cached for its link to the source.
TEST(SourceLinks, ASpreadsheetProgramRecalculatingShowsEachMonthsOwnSums) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("zelmo-xlsx-months-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string args;
    auto quad = [&](const fs::path& src, const std::string& a, const fs::path& out, const std::string& b) {
        args += " '" + src.string() + "' '" + a + "' '" + out.string() + "' '" + b + "'";
    };
    Workbook merged = Workbook::CreateNew();
    std::vector<std::string> taken{"Sheet1"};
    for (int m = 1; m <= 3; ++m) {
        const fs::path file = dir / ("month" + std::to_string(m) + ".xlsx");
        std::ofstream(file, std::ios::binary) << Month(m);
        const Workbook source = Workbook::OpenFile(file);
        for (std::size_t i = 0; i < source.SheetCount(); ++i) {
            const std::string name = UniqueSheetName(source.Sheets()[i].name, taken);
            merged.CopySheet(source, i, merged.SheetCount(), name);
            taken.push_back(name);
            quad(file, source.Sheets()[i].name, dir / "merged.xlsx", name);
        }
        if (m == 2) {
            Workbook::FromSheet(source, 0).SaveFile(dir / "split.xlsx");
            quad(file, "集計", dir / "split.xlsx", "集計");
        }
    }
    merged.ResolveLinksToCopies();
    merged.SaveFile(dir / "merged.xlsx");
    const std::string cmd = std::string("/usr/bin/python3 ") + ZELMO_XLSX_SCRIPTS + "/lo_csv_check.py --recalc '" +
                            (dir / "lo").string() + "'" + args;
    const int rc = std::system(cmd.c_str());
    const int code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (code == 77) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    EXPECT_EQ(code, 0);
}

// A sheet with a reference to another sheet in each kind of element that holds one.
std::string EveryKind() {
    const std::string sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData>"
        "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A2\" si=\"0\">明細!B2*2</f><v>1</v></c>"
        "<c r=\"B1\"><f t=\"array\" ref=\"B1:B2\">明細!B2:B3*2</f><v>1</v></c><c r=\"C1\"><f>SUM(明細:其他!B2)</f><v>1</v></c></row>"
        "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"0\"/><v>1</v></c></row></sheetData>"
        "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\" priority=\"1\"><formula>A1&gt;明細!B2</formula></cfRule>"
        "</conditionalFormatting><dataValidations count=\"1\"><dataValidation type=\"list\" sqref=\"D1\"><formula1>明細!$B$2:$B$5"
        "</formula1></dataValidation></dataValidations><hyperlinks><hyperlink ref=\"E1\" location=\"明細!A1\"/>"
        "<hyperlink ref=\"E2\" location=\"集計!A1\"/></hyperlinks><extLst><ext uri=\"{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}\" "
        "xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\"><x14:dataValidations count=\"1\" "
        "xmlns:xm=\"http://schemas.microsoft.com/office/excel/2006/main\"><x14:dataValidation type=\"list\"><x14:formula1>"
        "<xm:f>其他!$A$1:$A$3</xm:f></x14:formula1><xm:sqref>F1</xm:sqref></x14:dataValidation></x14:dataValidations></ext>"
        "</extLst></worksheet>";
    const std::string book = test::MinimalWorkbook({{"集計", ""}, {"明細", "<row r=\"2\"><c r=\"B2\"><v>7</v></c></row>"},
                                                   {"其他", "<row r=\"2\"><c r=\"B2\"><v>9</v></c></row>"}});
    test::Parts parts;
    for (const auto& name : test::PartNames(book))
        parts.emplace_back(name, name == "xl/worksheets/sheet1.xml" ? sheet : ReadPart(book, name));
    return test::MakeZip(parts);
}

TEST(SourceLinks, EveryKindOfReferenceLinksAndResolves) {
    const Workbook source = Workbook::Open(EveryKind(), "/tmp/zelmo-kinds/kinds.xlsx");
    auto check = [](const std::string& bytes, const std::string& part, const std::string& detail, const std::string& other,
                    const std::string& threeD, const std::string& what) {
        const pugi::xml_document doc = Xml(bytes, part);
        auto text = [&](const char* path) { return std::string(doc.select_node(path).node().child_value()); };
        EXPECT_EQ(text("//c[@r='A1']/f"), detail + "!B2*2") << what;
        EXPECT_EQ(text("//c[@r='B1']/f"), detail + "!B2:B3*2") << what;
        EXPECT_EQ(text("//c[@r='C1']/f"), "SUM(" + threeD + "B2)") << what;
        EXPECT_EQ(text("//*[local-name()='cfRule']/*[local-name()='formula']"), "A1>" + detail + "!B2") << what;
        EXPECT_EQ(text("//*[local-name()='dataValidation']/*[local-name()='formula1']"), detail + "!$B$2:$B$5") << what;
        EXPECT_EQ(text("//*[local-name()='f' and starts-with(name(), 'xm:')]"), other + "!$A$1:$A$3") << what;
    };
    {
        const std::string bytes = Workbook::FromSheet(source, 0).SaveToBytes();
        const std::string part = SheetParts(bytes).at("集計");
        check(bytes, part, "[1]明細", "[1]其他", "[1]明細:其他!", "split");
        // The link caches what the 3-D reference sums, on every sheet of its span.
        const pugi::xml_document link = Xml(bytes, "xl/externalLinks/externalLink1.xml");
        EXPECT_STREQ(link.select_node("//sheetData[@sheetId='1']/row/cell[@r='B2']/v").node().child_value(), "7");
        EXPECT_STREQ(link.select_node("//sheetData[@sheetId='2']/row/cell[@r='B2']/v").node().child_value(), "9");
        // The hyperlink to another sheet opens it in the source file; the one to itself stays.
        const pugi::xml_document doc = Xml(bytes, part);
        const pugi::xml_node away = doc.select_node("//hyperlink[@ref='E1']").node();
        EXPECT_STREQ(away.attribute("location").value(), "明細!A1");
        const std::string rels = ReadPart(bytes, "xl/worksheets/_rels/" + part.substr(part.rfind('/') + 1) + ".rels");
        EXPECT_NE(rels.find(std::string("Id=\"") + away.attribute("r:id").value() + "\""), std::string::npos) << rels;
        EXPECT_NE(rels.find("kinds.xlsx\" TargetMode=\"External\""), std::string::npos) << rels;
        EXPECT_FALSE(doc.select_node("//hyperlink[@ref='E2']").node().attribute("r:id"));
    }
    {
        // Into a workbook that has sheets of those names: the copies are "(2)", and after resolving
        // every reference names them, the 3-D one too (its sheets came in the source's order), and
        // nothing needs the source any more.
        Workbook target = Workbook::Open(test::MinimalWorkbook({{"集計", ""}, {"明細", ""}}));
        for (std::size_t i = 0; i < 3; ++i) {
            std::vector<std::string> taken;
            for (const auto& s : target.Sheets()) taken.push_back(s.name);
            target.CopySheet(source, i, target.SheetCount(), UniqueSheetName(source.Sheets()[i].name, taken));
        }
        target.ResolveLinksToCopies();
        const std::string bytes = target.SaveToBytes();
        const std::string part = SheetParts(bytes).at("集計 (2)");
        check(bytes, part, "'明細 (2)'", "其他", "'明細 (2):其他'!", "merge");
        const pugi::xml_document doc = Xml(bytes, part);
        EXPECT_STREQ(doc.select_node("//hyperlink[@ref='E2']").node().attribute("location").value(), "'集計 (2)'!A1");
        // The hyperlink to the detail sheet, copied later, opens its copy here (no file any more).
        const pugi::xml_node away = doc.select_node("//hyperlink[@ref='E1']").node();
        EXPECT_STREQ(away.attribute("location").value(), "'明細 (2)'!A1");
        EXPECT_FALSE(away.attribute("r:id"));
        EXPECT_EQ(ReadPart(bytes, "xl/worksheets/_rels/" + part.substr(part.rfind('/') + 1) + ".rels").find("kinds.xlsx"),
                  std::string::npos);
        EXPECT_EQ(LinkParts(bytes), 0u);
    }
}

// Property: sheets with clashing names refer to each other; merged in a random order and resolved,
// every reference names the copy of the sheet it named in its source, or links to the source file.
TEST(SourceLinks, EveryReferenceNamesTheCopyOfItsTargetOrItsSourceFile) {
    const std::vector<std::string> pool{"A", "a", "B", "Data", "明細", "C d", "Sheet1"};
    std::mt19937 random(20261207);
    int resolvedSpans = 0, linkedSpans = 0;
    for (int round = 0; round < 40; ++round) {
        const int books = 2 + static_cast<int>(random() % 3);
        std::vector<Workbook> sources;
        std::vector<std::vector<std::string>> names(books);
        for (int b = 0; b < books; ++b) {
            const int count = 1 + static_cast<int>(random() % 4);
            std::vector<std::string> available = pool;
            std::shuffle(available.begin(), available.end(), random);
            std::vector<std::pair<std::string, std::string>> sheets;
            for (int s = 0; s < count; ++s) {
                if (std::any_of(names[b].begin(), names[b].end(), [&](const std::string& n) { return SheetNamesEqual(n, available[s]); }))
                    continue;
                names[b].push_back(available[s]);
            }
            for (std::size_t s = 0; s < names[b].size(); ++s) {
                // Z1 says which sheet this is; A1.. refer to random sheets of the same book.
                std::string row = "<row r=\"1\"><c r=\"Z1\"><v>" + std::to_string(b * 10 + s) + "</v></c>";
                for (int r = 0; r < 3; ++r) {
                    const std::string& other = names[b][random() % names[b].size()];
                    const bool plain = other.find(' ') == std::string::npos && other != "A" && other != "a" && other != "B";
                    row += "<c r=\"" + std::string(1, static_cast<char>('A' + r)) + "1\"><f>" +
                           (plain ? other : "'" + other + "'") + "!Z1</f><v>0</v></c>";
                }
                // D1 sums Z1 over a random span of the book's sheets (a 3-D reference).
                if (names[b].size() > 1) {
                    const std::string& first = names[b][random() % names[b].size()];
                    const std::string& last = names[b][random() % names[b].size()];
                    auto plain = [](const std::string& n) { return n.find(' ') == std::string::npos && n != "A" && n != "a" && n != "B"; };
                    const std::string span = first + ":" + last;
                    row += "<c r=\"D1\"><f>SUM(" + (plain(first) && plain(last) ? span : "'" + span + "'") + "!Z1)</f><v>0</v></c>";
                }
                sheets.emplace_back(names[b][s], row + "</row>");
            }
            sources.push_back(Workbook::Open(test::MinimalWorkbook(sheets), "/tmp/zelmo-prop/book" + std::to_string(b) + ".xlsx"));
        }
        // Copy some sheets of each book (all, mostly) in a random order.
        std::vector<std::pair<int, std::size_t>> copies;
        for (int b = 0; b < books; ++b)
            for (std::size_t s = 0; s < names[b].size(); ++s)
                if (random() % 5 != 0) copies.emplace_back(b, s);
        std::shuffle(copies.begin(), copies.end(), random);
        Workbook merged = Workbook::CreateNew();
        std::map<std::string, std::pair<int, std::string>> origin;  // target sheet -> (book, sheet)
        for (const auto& [b, s] : copies) {
            std::vector<std::string> taken;
            for (const auto& t : merged.Sheets()) taken.push_back(t.name);
            const std::string name = UniqueSheetName(names[b][s], taken);
            merged.CopySheet(sources[b], s, random() % (merged.SheetCount() + 1), name);
            origin[name] = {b, names[b][s]};
        }
        merged.ResolveLinksToCopies();
        const std::string bytes = merged.SaveToBytes();
        // Link number -> book, from the link parts' targets.
        const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
        const pugi::xml_document wbRels = Xml(bytes, "xl/_rels/workbook.xml.rels");
        std::vector<int> linkBook;
        for (pugi::xpath_node ref : wb.select_nodes("//externalReference")) {
            std::string target;
            for (pugi::xml_node r : wbRels.first_child().children())
                if (std::string(r.attribute("Id").value()) == ref.node().attribute("r:id").value()) target = r.attribute("Target").value();
            const std::string rels = "xl/externalLinks/_rels/" + target.substr(target.rfind('/') + 1) + ".rels";
            const std::string content = ReadPart(bytes, rels);
            const std::size_t at = content.find("/book");
            ASSERT_NE(at, std::string::npos) << content;
            linkBook.push_back(content[at + 5] - '0');
        }
        const std::regex reference(R"(^(?:'(\[(\d+)\])?((?:[^']|'')+)'|(\[(\d+)\])?([^'!]+))!Z1$)");
        const std::regex threeD(R"(^SUM\((?:'(\[(\d+)\])?((?:[^']|'')+)'|(\[(\d+)\])?([^'!]+))!Z1\)$)");
        std::vector<std::string> order;  // the merged workbook's sheets in order
        for (pugi::xml_node s : wb.child("workbook").child("sheets").children("sheet")) order.push_back(s.attribute("name").value());
        for (const auto& [sheet, part] : SheetParts(bytes)) {
            if (!origin.count(sheet)) continue;
            const auto [b, from] = origin[sheet];
            const pugi::xml_document doc = Xml(bytes, part);
            for (pugi::xpath_node f : doc.select_nodes("//c/f")) {
                const std::string text = f.node().child_value();
                // The source's own formula in this cell names this sheet of book b.
                std::smatch m;
                const std::string cell = f.node().parent().attribute("r").value();
                const bool span = cell == "D1";
                ASSERT_TRUE(std::regex_match(text, m, span ? threeD : reference)) << text;
                const bool quoted = m[3].matched;
                const std::string number = quoted ? m[2].str() : m[5].str();
                std::string named = quoted ? std::regex_replace(m[3].str(), std::regex("''"), "'") : m[6].str();
                // What the source's formula named.
                const pugi::xml_document src = Xml(sources[b].SaveToBytes(), "xl/worksheets/sheet" +
                    std::to_string(std::find(names[b].begin(), names[b].end(), from) - names[b].begin() + 1) + ".xml");
                std::string original = src.select_node(("//c[@r='" + cell + "']/f").c_str()).node().child_value();
                if (span) original = original.substr(4, original.size() - 5);  // inside SUM( )
                original = original.substr(0, original.size() - 3);
                if (original.front() == '\'') original = original.substr(1, original.size() - 2);
                if (span && number.empty()) {
                    // Resolved: the sheets from the first to the last named here are the copies of
                    // those from the first to the last named in the source, in order.
                    const std::size_t colon = named.find(':'), sourceColon = original.find(':');
                    ASSERT_NE(colon, std::string::npos) << text;
                    const auto a = std::find(order.begin(), order.end(), named.substr(0, colon));
                    const auto z = std::find(order.begin(), order.end(), named.substr(colon + 1));
                    ASSERT_TRUE(a != order.end() && z != order.end()) << text << " names no copy";
                    const auto sa = std::find(names[b].begin(), names[b].end(), original.substr(0, sourceColon));
                    const auto sz = std::find(names[b].begin(), names[b].end(), original.substr(sourceColon + 1));
                    EXPECT_EQ(origin[*a], std::make_pair(b, *sa)) << text << " in " << sheet;
                    EXPECT_EQ(origin[*z], std::make_pair(b, *sz)) << text << " in " << sheet;
                    const auto lo = std::min(a, z), hi = std::max(a, z);
                    const auto slo = std::min(sa, sz), shi = std::max(sa, sz);
                    ASSERT_EQ(hi - lo, shi - slo) << text << " in " << sheet;
                    for (std::ptrdiff_t k = 0; k <= hi - lo; ++k)
                        EXPECT_EQ(origin[lo[k]], std::make_pair(b, slo[k])) << text << " in " << sheet;
                    ++resolvedSpans;
                    continue;
                }
                if (span) ++linkedSpans;
                if (!number.empty()) {
                    const int n = std::stoi(number);
                    ASSERT_LE(n, static_cast<int>(linkBook.size())) << text;
                    EXPECT_EQ(linkBook[n - 1], b) << text << " in " << sheet;
                    EXPECT_EQ(named, original) << text << " in " << sheet;
                } else {
                    ASSERT_TRUE(origin.count(named)) << text << " in " << sheet << " names no copy";
                    EXPECT_EQ(origin[named], std::make_pair(b, original)) << text << " in " << sheet;
                }
            }
        }
    }
    // Both outcomes of a 3-D reference occur among the rounds.
    EXPECT_GT(resolvedSpans, 0);
    EXPECT_GT(linkedSpans, 0);
}

}  // namespace
}  // namespace zelmo::xlsx
