// Copying sheets: positions, ids, names and views in the target, related parts, failures.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <set>

#include "copy_fixture.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx {
namespace {

using test::ExpectValidPackage;
using test::MinimalWorkbook;
using test::ReadPart;
using test::Real;
using test::Xml;

std::vector<std::string> SheetNames(const Workbook& b) {
    std::vector<std::string> out;
    for (const auto& s : b.Sheets()) out.push_back(s.name);
    return out;
}

TEST(CopySheet, InsertsAtPositionWithFreshIdsNamesAndOneSelectedSheet) {
    Workbook target = Real("defined_name01.xlsx");  // Sheet1, Sheet2, "Sheet 3" with scoped names
    const Workbook source = Real("repeat01.xlsx");   // print titles on Sheet1
    target.CopySheet(source, 0, 1, "Copied");
    EXPECT_EQ(SheetNames(target), (std::vector<std::string>{"Sheet1", "Copied", "Sheet2", "Sheet 3"}));
    const std::string bytes = target.SaveToBytes();
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    std::set<std::string> sheetIds;
    for (pugi::xml_node s : wb.child("workbook").child("sheets").children()) sheetIds.insert(s.attribute("sheetId").value());
    EXPECT_EQ(sheetIds.size(), 4u);
    auto scoped = [&](const char* name, int sheet) {
        for (pugi::xml_node n : wb.child("workbook").child("definedNames").children())
            if (std::string(n.attribute("name").value()) == name && n.attribute("localSheetId") &&
                n.attribute("localSheetId").as_int() == sheet)
                return std::string(n.child_value());
        return std::string("(none)");
    };
    EXPECT_EQ(scoped("aaa", 2), "Sheet2!$A$1");        // was sheet 1, shifted by the insertion
    EXPECT_EQ(scoped("Bar", 3), "'Sheet 3'!$A$1");     // was sheet 2
    EXPECT_EQ(scoped("Bar", 0), "Sheet1!$A$1");        // before the insertion: unchanged
    EXPECT_EQ(scoped("_xlnm.Print_Titles", 1), "Copied!$1:$1");
    // Only one sheet view is selected in the whole workbook.
    int selected = 0;
    for (const auto& part : test::PartNames(bytes))
        if (part.rfind("xl/worksheets/sheet", 0) == 0)
            selected += static_cast<int>(Xml(bytes, part).select_nodes("//sheetView[@tabSelected='1']").size());
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(Workbook::Open(bytes).SheetCount(), 4u);
    ExpectValidPackage(bytes);
}

TEST(CopySheet, ActiveTabFollowsAnInsertionBeforeIt) {
    Workbook book = Workbook::CreateNew();
    book.CopySheet(Real("tab_color01.xlsx"), 0, 0, "Before");
    const pugi::xml_document wb = Xml(book.SaveToBytes(), "xl/workbook.xml");
    EXPECT_EQ(wb.child("workbook").child("bookViews").child("workbookView").attribute("activeTab").as_int(), 1);
}

TEST(CopySheet, SheetsAreCopiedWithinTheSameWorkbook) {
    Workbook book = Real("defined_name01.xlsx");
    book.CopySheet(book, 0, 0, "Sheet1 (2)");
    EXPECT_EQ(SheetNames(book)[0], "Sheet1 (2)");
    const pugi::xml_document wb = Xml(book.SaveToBytes(), "xl/workbook.xml");
    const auto area = wb.select_node("//definedName[@name='_xlnm.Print_Area' and @localSheetId='0']");
    ASSERT_TRUE(area);
    EXPECT_STREQ(area.node().child_value(), "'Sheet1 (2)'!$A$1:$E$6");
    ASSERT_TRUE(wb.select_node("//definedName[@name='_xlnm.Print_Area' and @localSheetId='1']"));
}

TEST(CopySheet, RelatedPartsAreCarriedOrReported) {
    const struct {
        const char* file;
        std::vector<std::string> notCarried;
        const char* carriedPart;  // a part the copy must have brought along ("" for none)
    } cases[] = {
        {"table01.xlsx", {}, "xl/tables/table1.xml"},
        {"comment01.xlsx", {}, "xl/comments1.xml"},
        {"image01.xlsx", {}, "xl/media/image1.png"},
        {"header_image01.xlsx", {}, "xl/media/image1.jpeg"},
        {"hyperlink01.xlsx", {}, ""},
        {"dynamic_array01.xlsx", {}, "xl/metadata.xml"},
    };
    for (const auto& c : cases) {
        const Workbook source = Real(c.file);
        Workbook target = Workbook::CreateNew();
        const CopyReport report = target.CopySheet(source, 0, 1, "Copy");
        EXPECT_EQ(report.notCarried, c.notCarried) << c.file;
        const std::string bytes = target.SaveToBytes();
        if (*c.carriedPart) {
            const auto names = test::PartNames(bytes);
            EXPECT_NE(std::find(names.begin(), names.end(), c.carriedPart), names.end()) << c.file;
        }
        ExpectValidPackage(bytes);
        EXPECT_EQ(Workbook::Open(bytes).SheetCount(), 2u) << c.file;
    }
}

TEST(CopySheet, UnknownExtensionsAreCarriedUnlessTheyPointAtParts) {
    // The page-layout view of a Mac spreadsheet program (self-contained), an extension with a
    // relationship id (prefix of the root) and one declaring its own prefix for relationships.
    const std::string plv = "<ext uri=\"{64002731-A6B0-56B0-2670-7721B7C09600}\" "
                            "xmlns:mx=\"http://schemas.microsoft.com/office/mac/excel/2008/main\">"
                            "<mx:PLV Mode=\"1\" OnePage=\"0\" WScale=\"0\"/></ext>";
    const std::string sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData><extLst>" + plv +
        "<ext uri=\"{11111111-0000-0000-0000-000000000001}\" xmlns:y=\"urn:y\"><y:viaRoot r:id=\"rId9\"/></ext>"
        "<ext uri=\"{11111111-0000-0000-0000-000000000002}\" xmlns:y=\"urn:y\">"
        "<y:list><y:item xmlns:q=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" q:id=\"rId8\"/>"
        "</y:list></ext></extLst></worksheet>";
    const std::string plain = MinimalWorkbook({{"Sheet1", ""}});
    test::Parts parts;
    for (const auto& name : test::PartNames(plain))
        parts.emplace_back(name, name == "xl/worksheets/sheet1.xml" ? sheet : ReadPart(plain, name));
    const Workbook source = Workbook::Open(test::MakeZip(parts));
    Workbook target = Workbook::CreateNew();
    const CopyReport report = target.CopySheet(source, 0, 1, "Copy");
    EXPECT_EQ(report.notCarried, (std::vector<std::string>{"ext:viaRoot", "ext:list"}));
    const std::string bytes = target.SaveToBytes();
    const std::string copy = ReadPart(bytes, "xl/worksheets/sheet2.xml");
    EXPECT_NE(copy.find(plv), std::string::npos) << copy;
    EXPECT_EQ(copy.find("rId9"), std::string::npos);
    EXPECT_EQ(copy.find("rId8"), std::string::npos);
    ExpectValidPackage(bytes);
}

TEST(CopySheet, ChartSheetsAreCopiedWithTheirChart) {
    const Workbook source = Real("chartsheet01.xlsx");
    std::size_t chartIndex = 0;
    const auto sheets = source.Sheets();
    while (chartIndex < sheets.size() && sheets[chartIndex].kind != SheetKind::Chartsheet) ++chartIndex;
    ASSERT_LT(chartIndex, sheets.size());
    Workbook target = Workbook::CreateNew();
    const CopyReport report = target.CopySheet(source, chartIndex, 1, "Chart");
    EXPECT_TRUE(report.notCarried.empty());
    const std::string bytes = target.SaveToBytes();
    EXPECT_EQ(Workbook::Open(bytes).Sheets()[1].kind, SheetKind::Chartsheet);
    const auto names = test::PartNames(bytes);
    EXPECT_NE(std::find(names.begin(), names.end(), "xl/charts/chart1.xml"), names.end());
    EXPECT_NE(ReadPart(bytes, "[Content_Types].xml").find("drawingml.chart+xml"), std::string::npos);
    ExpectValidPackage(bytes);
}

TEST(CopySheet, AFailedCopyChangesNothing) {
    Workbook target = Workbook::CreateNew();
    target.CopySheet(Real("rich_string01.xlsx"), 0, 1, "Rich");
    const std::string before = target.SaveToBytes();
    // Cells referring to a shared string that does not exist: the source is corrupt.
    const Workbook bad = Workbook::Open(MinimalWorkbook({{"Bad", "<row r='1'><c r='A1' s='0' t='s'><v>7</v></c></row>"}}));
    const Workbook good = Real("format01.xlsx");
    const struct {
        const Workbook* source;
        std::size_t index, position;
        const char* name;
        ErrorKind kind;
    } cases[] = {
        {&bad, 0, 0, "Bad", ErrorKind::Corrupt},
        {&good, 0, 0, "rich", ErrorKind::InvalidSheetName},  // taken, ignoring case
        {&good, 0, 0, "a/b", ErrorKind::InvalidSheetName},
        {&good, 9, 0, "X", ErrorKind::OutOfRange},
        {&good, 0, 3, "X", ErrorKind::OutOfRange},
    };
    for (const auto& c : cases) {
        try {
            target.CopySheet(*c.source, c.index, c.position, c.name);
            ADD_FAILURE() << c.name;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.name << ": " << e.what();
        }
        EXPECT_EQ(target.SaveToBytes(), before) << c.name;
    }
}

TEST(RemoveSheet, KeepsNamesViewsAndAVisibleActiveSheet) {
    Workbook book = Real("defined_name01.xlsx");
    book.RemoveSheet(0);
    EXPECT_EQ(SheetNames(book), (std::vector<std::string>{"Sheet2", "Sheet 3"}));
    const std::string bytes = book.SaveToBytes();
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    EXPECT_FALSE(wb.select_node("//definedName[@name='_xlnm.Print_Area']"));  // Sheet1's own
    EXPECT_STREQ(wb.select_node("//definedName[@name='aaa']").node().attribute("localSheetId").value(), "0");
    EXPECT_STREQ(wb.select_node("//definedName[@name='Bar' and @localSheetId='1']").node().child_value(),
                 "'Sheet 3'!$A$1");
    Workbook one = Workbook::CreateNew();
    EXPECT_THROW(one.RemoveSheet(0), Error);
    EXPECT_THROW(one.RemoveSheet(5), Error);

    // A hidden sheet alone in a workbook is shown: a workbook needs a visible sheet.
    Workbook split = Workbook::FromSheet(Real("hide01.xlsx"), 1);
    EXPECT_EQ(split.Sheets()[0].state, "hidden");
    EXPECT_EQ(Workbook::Open(split.SaveToBytes()).Sheets()[0].state, "visible");
}

// The formulas of every worksheet part of a saved package, in one string.
std::string AllFormulas(const std::string& bytes) {
    std::string out;
    for (const auto& name : test::PartNames(bytes)) {
        if (name.rfind("xl/worksheets/sheet", 0) != 0) continue;
        const pugi::xml_document doc = Xml(bytes, name);
        for (const pugi::xpath_node f : doc.select_nodes("//*[local-name()='f']")) out += f.node().child_value() + std::string("\n");
    }
    return out;
}

TEST(CopySheet, FormulasNameTheCopiesOfTheirSourcesEarlierSheetsInAMerge) {
    // As the merge does it: a new book whose own "Sheet1" stays, then every sheet of a source after
    // the last one. The source's "Sheet1" lands as "Sheet1 (2)" and its "Sheet1 (2)" as "Sheet1 (3)":
    // a later sheet's references must follow both copies at once, not the new book's own Sheet1.
    const Workbook source = Workbook::Open(MinimalWorkbook(
        {{"Sheet1", "<row r='1'><c r='A1'><v>5</v></c></row>"},
         {"Sheet1 (2)", "<row r='1'><c r='A1'><v>7</v></c></row>"},
         {"Calc", "<row r='1'><c r='A1'><f>Sheet1!A1+'Sheet1 (2)'!A1+Calc!A2+\"Sheet1!A1\"</f><v>12</v></c></row>"}}));
    Workbook merged = Workbook::CreateNew();
    std::vector<std::string> taken{"Sheet1"};
    for (std::size_t i = 0; i < source.SheetCount(); ++i) {
        const std::string name = UniqueSheetName(source.Sheets()[i].name, taken);
        merged.CopySheet(source, i, merged.SheetCount(), name);
        taken.push_back(name);
    }
    EXPECT_EQ(SheetNames(merged), (std::vector<std::string>{"Sheet1", "Sheet1 (2)", "Sheet1 (3)", "Calc"}));
    EXPECT_EQ(AllFormulas(merged.SaveToBytes()), "'Sheet1 (2)'!A1+'Sheet1 (3)'!A1+Calc!A2+\"Sheet1!A1\"\n");

    // A copy within one workbook keeps referring to that workbook's own sheets.
    Workbook same = Workbook::Open(source.SaveToBytes());
    same.CopySheet(same, 2, 3, "Calc (2)");
    EXPECT_NE(AllFormulas(same.SaveToBytes()).find("Sheet1!A1+'Sheet1 (2)'!A1+'Calc (2)'!A2"), std::string::npos);

    // A sheet whose copy has gone from the target is not followed: the name stays as written.
    Workbook partial = Workbook::CreateNew();
    partial.CopySheet(source, 0, 1, "Sheet1 (2)");
    partial.RemoveSheet(1);
    partial.CopySheet(source, 2, 1, "Calc");
    EXPECT_EQ(AllFormulas(partial.SaveToBytes()), "Sheet1!A1+'Sheet1 (2)'!A1+Calc!A2+\"Sheet1!A1\"\n");
}

}  // namespace
}  // namespace zelmo::xlsx
