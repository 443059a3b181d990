// A new workbook takes over the look of the first workbook a sheet is copied in from: what the
// spreadsheet program shows of the copies (fonts, number formats, column widths, row heights) and
// of the new workbook's own empty sheet stays as it was, and sheets styled alike go through as stored.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <map>
#include <string>
#include <vector>

#include "copy_fixture.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx {
namespace {

using test::ReadPart;
using test::Xml;

const char kNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct BookLook {
    std::string font = "Arial";
    std::string size = "10";
    bool date1904 = false;
    std::vector<std::string> sheets = {"Data"};
};

// A workbook as a spreadsheet program saves it: styles with a default font of its own, a theme,
// sheets with a header row in bold at a set height, a date cell and a set column width.
std::string StyledBook(const BookLook& wanted) {
    const std::string font = "<sz val=\"" + wanted.size + "\"/><name val=\"" + wanted.font + "\"/>";
    const std::string styles =
        std::string("<styleSheet xmlns=\"") + kNs + "\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" "
        "formatCode=\"yyyy/mm/dd\"/></numFmts><fonts count=\"2\"><font>" + font + "</font><font><b/>" + font +
        "</font></fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
        "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/><right/><top/><bottom/>"
        "<diagonal/></border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
        "applyFont=\"1\"/><xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
        "applyNumberFormat=\"1\"/></cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
        "builtinId=\"0\"/></cellStyles></styleSheet>";
    std::string types =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "<Override PartName=\"/xl/theme/theme1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>";
    std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "<Relationship Id=\"rIdS\" Type=\"" + std::string(kRel) + "/styles\" Target=\"styles.xml\"/>"
                       "<Relationship Id=\"rIdT\" Type=\"" + std::string(kRel) + "/theme\" Target=\"theme/theme1.xml\"/>";
    std::string workbook = std::string("<workbook xmlns=\"") + kNs + "\" xmlns:r=\"" + kRel + "\">" +
                           (wanted.date1904 ? "<workbookPr date1904=\"1\"/>" : "") + "<sheets>";
    test::Parts parts;
    for (std::size_t i = 0; i < wanted.sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + kRel + "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        workbook += "<sheet name=\"" + wanted.sheets[i] + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        parts.emplace_back("xl/worksheets/sheet" + n + ".xml",
                           std::string("<worksheet xmlns=\"") + kNs + "\"><sheetFormatPr defaultRowHeight=\"12.75\"/>"
                           "<cols><col min=\"1\" max=\"1\" width=\"24.5\" customWidth=\"1\"/></cols><sheetData>"
                           "<row r=\"1\" ht=\"30\" customHeight=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>"
                           "見出し" + n + "</t></is></c></row><row r=\"2\"><c r=\"A2\" s=\"2\"><v>45000</v></c>"
                           "<c r=\"B2\"><v>7</v></c></row></sheetData></worksheet>");
    }
    parts.insert(parts.begin(), {
        {"[Content_Types].xml", types + "</Types>"},
        {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" + std::string(kRel) + "/officeDocument\" "
                        "Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", workbook + "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", rels + "</Relationships>"},
        {"xl/styles.xml", styles},
        {"xl/theme/theme1.xml", "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                                "name=\"" + wanted.font + " look\"/>"},
    });
    return test::MakeZip(parts);
}

// The part of the sheet named `name` in a saved package.
std::string SheetPart(const std::string& bytes, const std::string& name) {
    const pugi::xml_document wb = Xml(bytes, "xl/workbook.xml");
    const pugi::xml_document rels = Xml(bytes, "xl/_rels/workbook.xml.rels");
    const std::string id = wb.child("workbook").child("sheets").find_child_by_attribute("name", name.c_str())
                               .attribute("r:id").value();
    const std::string target = rels.child("Relationships").find_child_by_attribute("Id", id.c_str())
                                   .attribute("Target").value();
    return target.rfind("/xl/", 0) == 0 ? target.substr(1) : "xl/" + target;
}

std::string FontText(const pugi::xml_node& font) {
    return std::string(font.child("name").attribute("val").value()) + " " + font.child("sz").attribute("val").value() +
           (font.child("b") ? " bold" : "");
}

// What the spreadsheet program shows of one sheet: the workbook's default font (widths are measured
// in it), each cell's value, font and number format code, each column's width and row's height.
std::map<std::string, std::string> Look(const std::string& bytes, const std::string& sheetName) {
    const pugi::xml_document styles = Xml(bytes, "xl/styles.xml");
    const pugi::xml_node sheet = styles.child("styleSheet");
    std::vector<pugi::xml_node> fonts, xfs;
    for (pugi::xml_node f : sheet.child("fonts").children("font")) fonts.push_back(f);
    for (pugi::xml_node x : sheet.child("cellXfs").children("xf")) xfs.push_back(x);
    auto formatCode = [&](unsigned id) -> std::string {
        if (id < 164) return "builtin " + std::to_string(id);
        return sheet.child("numFmts").find_child_by_attribute("numFmtId", std::to_string(id).c_str())
            .attribute("formatCode").value();
    };
    const unsigned normalXf = sheet.child("cellStyles").find_child_by_attribute("builtinId", "0").attribute("xfId").as_uint();
    std::vector<pugi::xml_node> styleXfs;
    for (pugi::xml_node x : sheet.child("cellStyleXfs").children("xf")) styleXfs.push_back(x);
    const pugi::xml_node normal = styleXfs.at(normalXf);
    std::map<std::string, std::string> look;
    look["default font"] = FontText(fonts.at(normal.attribute("fontId").as_uint()));
    const pugi::xml_document doc = Xml(bytes, SheetPart(bytes, sheetName));
    const pugi::xml_node ws = doc.child("worksheet");
    look["default row height"] = ws.child("sheetFormatPr").attribute("defaultRowHeight").value();
    for (pugi::xml_node col : ws.child("cols").children("col"))
        look["col " + std::string(col.attribute("min").value())] = col.attribute("width").value();
    for (pugi::xml_node row : ws.child("sheetData").children("row")) {
        if (row.attribute("ht")) look["row " + std::string(row.attribute("r").value())] = row.attribute("ht").value();
        for (pugi::xml_node c : row.children("c")) {
            const pugi::xml_node xf = xfs.at(c.attribute("s").as_uint());
            look[c.attribute("r").value()] = std::string(c.child_value("v")) + c.child("is").child_value("t") + " | " +
                                             FontText(fonts.at(xf.attribute("fontId").as_uint())) + " | " +
                                             formatCode(xf.attribute("numFmtId").as_uint());
        }
    }
    return look;
}

void ExpectBlankSheetAsMade(const std::string& bytes) {
    const pugi::xml_document doc = Xml(bytes, SheetPart(bytes, "Sheet1"));
    const pugi::xml_node ws = doc.child("worksheet");
    EXPECT_FALSE(ws.child("sheetData").first_child());
    EXPECT_STREQ(ws.child("sheetFormatPr").attribute("defaultRowHeight").value(), "18.75");
    // Its rows keep the height they had in the font it was made for, whatever the default font now is.
    EXPECT_STREQ(ws.child("sheetFormatPr").attribute("customHeight").value(), "1");
    EXPECT_STREQ(ws.child("sheetViews").child("sheetView").attribute("tabSelected").value(), "1");
}

TEST(NewWorkbookLook, CopiesBehindTheBlankSheetKeepTheirLookAndGoThroughAsStored) {
    const std::string firstBytes = StyledBook({"Arial", "10", false, {"Data", "More"}});
    const std::string secondBytes = StyledBook({"Arial", "10", false, {"Other"}});
    const Workbook first = Workbook::Open(firstBytes);
    const Workbook second = Workbook::Open(secondBytes);
    Workbook merged = Workbook::CreateNew();
    merged.CopySheet(first, 0, 1, "Data");
    merged.CopySheet(first, 1, 2, "More");
    merged.CopySheet(second, 0, 3, "Other");
    const std::string out = merged.SaveToBytes();

    EXPECT_EQ(Look(out, "Data"), Look(firstBytes, "Data"));
    EXPECT_EQ(Look(out, "More"), Look(firstBytes, "More"));
    EXPECT_EQ(Look(out, "Other"), Look(secondBytes, "Other"));
    EXPECT_EQ(Look(out, "Data")["default font"], "Arial 10");
    // Styled alike, nothing needed rewriting: the parts are the sources' own.
    EXPECT_EQ(ReadPart(out, SheetPart(out, "Data")), ReadPart(firstBytes, "xl/worksheets/sheet1.xml"));
    EXPECT_EQ(ReadPart(out, SheetPart(out, "More")), ReadPart(firstBytes, "xl/worksheets/sheet2.xml"));
    EXPECT_EQ(ReadPart(out, SheetPart(out, "Other")), ReadPart(secondBytes, "xl/worksheets/sheet1.xml"));
    EXPECT_EQ(ReadPart(out, "xl/theme/theme1.xml"), ReadPart(firstBytes, "xl/theme/theme1.xml"));
    ExpectBlankSheetAsMade(out);
    EXPECT_EQ(Workbook::Open(out).SheetCount(), 4u);
}

TEST(NewWorkbookLook, OnlyTheFirstCopyDecidesAndOtherLooksAreRemapped) {
    const std::string arial = StyledBook({"Arial", "10", false, {"A"}});
    const std::string meiryo = StyledBook({"メイリオ", "9", false, {"M"}});
    Workbook book = Workbook::CreateNew();
    book.CopySheet(Workbook::Open(arial), 0, 0, "A");  // before the blank sheet, as a split copies
    book.CopySheet(Workbook::Open(meiryo), 0, 1, "M");
    const std::string out = book.SaveToBytes();
    EXPECT_EQ(Look(out, "A"), Look(arial, "A"));
    // The second look's fonts come along as records of their own, the default font stays the first's.
    std::map<std::string, std::string> expected = Look(meiryo, "M");
    expected["default font"] = "Arial 10";
    EXPECT_EQ(Look(out, "M"), expected);
    EXPECT_EQ(ReadPart(out, SheetPart(out, "A")), ReadPart(arial, "xl/worksheets/sheet1.xml"));
    ExpectBlankSheetAsMade(out);
}

TEST(NewWorkbookLook, AFailedFirstCopyLeavesTheWorkbookNewAndDatesKeepTheirSystem) {
    Workbook book = Workbook::CreateNew();
    const Workbook old = Workbook::Open(StyledBook({"Arial", "10", true, {"Old"}}));
    EXPECT_THROW(book.CopySheet(old, 0, 1, "Sheet1"), Error);  // the name is taken
    const std::string untouched = book.SaveToBytes();
    EXPECT_EQ(ReadPart(untouched, "xl/styles.xml"), ReadPart(Workbook::CreateNew().SaveToBytes(), "xl/styles.xml"));
    EXPECT_EQ(ReadPart(untouched, SheetPart(untouched, "Sheet1")),
              ReadPart(Workbook::CreateNew().SaveToBytes(), "xl/worksheets/sheet1.xml"));

    // Still new: the next copy takes the look over. The new workbook counts from 1900, so the 1904
    // workbook's date moves to show the same day.
    book.CopySheet(old, 0, 1, "Old");
    const std::string out = book.SaveToBytes();
    EXPECT_FALSE(Xml(out, "xl/workbook.xml").child("workbook").child("workbookPr").attribute("date1904"));
    const std::map<std::string, std::string> look = Look(out, "Old");
    EXPECT_EQ(look.at("default font"), "Arial 10");
    EXPECT_EQ(look.at("A2"), "46462 | Arial 10 | yyyy/mm/dd");
    EXPECT_EQ(look.at("B2"), "7 | Arial 10 | builtin 0");  // a plain number stays as it is
    ExpectBlankSheetAsMade(out);
}

}  // namespace
}  // namespace zelmo::xlsx
