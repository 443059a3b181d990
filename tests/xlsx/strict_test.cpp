// Workbooks of the Strict conformance class: read, copied from like any other, saved transitional.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>

#include "strict.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx {
namespace {

using test::ReadPart;

const std::string kStrictFile = std::string(ZELMO_XLSX_DATA) + "/realworld/sample.strict.xlsx";

void ExpectNoStrictNames(const std::string& bytes) {
    for (const auto& name : test::PartNames(bytes))
        EXPECT_EQ(ReadPart(bytes, name).find("purl.oclc.org/ooxml"), std::string::npos) << name;
}

std::string CellValue(const std::string& bytes, const std::string& sheetPart, const std::string& ref) {
    pugi::xml_document doc;
    doc.load_string(ReadPart(bytes, sheetPart).c_str());
    const std::string path = "//c[@r='" + ref + "']";
    return doc.select_node(path.c_str()).node().child("v").child_value();
}

TEST(Strict, ARealStrictWorkbookIsMergedAndSplitIntoTransitionalWorkbooks) {
    const Workbook source = Workbook::OpenFile(kStrictFile);
    ASSERT_EQ(source.SheetCount(), 3u);
    EXPECT_EQ(source.Sheets()[1].name, "rich test");

    Workbook merged = Workbook::CreateNew();
    for (std::size_t i = 0; i < source.SheetCount(); ++i)
        merged.CopySheet(source, i, merged.SheetCount(), i == 0 ? "First" : source.Sheets()[i].name);
    merged.RemoveSheet(0);
    const std::string bytes = merged.SaveToBytes();
    ExpectNoStrictNames(bytes);
    const Workbook reread = Workbook::Open(bytes);
    ASSERT_EQ(reread.SheetCount(), 3u);
    pugi::xml_document wb;
    wb.load_string(ReadPart(bytes, "xl/workbook.xml").c_str());
    EXPECT_STREQ(wb.document_element().attribute("xmlns").value(),
                 "http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    // The first sheet's sum and its cached result, the strings of the rich-text sheet.
    const std::string sheet1 = "xl/worksheets/sheet2.xml";  // "First": the new workbook's Sheet1 was removed
    pugi::xml_document doc;
    doc.load_string(ReadPart(bytes, sheet1).c_str());
    EXPECT_STREQ(doc.select_node("//c[@r='B10']/f").node().child_value(), "SUM(B1:B9)");
    EXPECT_EQ(CellValue(bytes, sheet1, "B10"), "4995");
    EXPECT_NE(ReadPart(bytes, "xl/sharedStrings.xml").find("<r>"), std::string::npos);  // rich runs kept

    const Workbook alone = Workbook::FromSheet(source, 0);
    const std::string split = alone.SaveToBytes();
    ExpectNoStrictNames(split);
    EXPECT_EQ(Workbook::Open(split).Sheets()[0].name, "Sheet1");
}

// A small Strict package with date cells, in either date system.
std::string StrictWorkbook(bool date1904, const std::string& sheetData) {
    const std::string main = "http://purl.oclc.org/ooxml/spreadsheetml/main";
    const std::string rel = "http://purl.oclc.org/ooxml/officeDocument/relationships";
    const std::string ct = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    return test::MakeZip({
        {"[Content_Types].xml", test::ContentTypesXml({{"/xl/workbook.xml", ct + "sheet.main+xml"},
                                                       {"/xl/worksheets/sheet1.xml", ct + "worksheet+xml"},
                                                       {"/xl/styles.xml", ct + "styles+xml"}})},
        {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                        "</Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\" conformance=\"strict\">" +
                                (date1904 ? "<workbookPr date1904=\"1\"/>" : "") +
                                "<sheets><sheet name=\"Dates\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/></Relationships>"},
        {"xl/styles.xml", "<styleSheet xmlns=\"" + main + "\"><fonts count=\"1\"><font><sz val=\"11\"/></font></fonts>"
                          "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
                          "<borders count=\"1\"><border/></borders><cellStyleXfs count=\"1\"><xf/></cellStyleXfs>"
                          "<cellXfs count=\"2\"><xf/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/></cellXfs>"
                          "</styleSheet>"},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + main + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"},
    });
}

TEST(Strict, DateCellsBecomeSerialsThatShowTheSameDateInTheTarget) {
    const std::string cells =
        "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"d\"><v>2024-03-01</v></c>"
        "<c r=\"B1\" s=\"1\" t=\"d\"><f>A1</f><v>2024-03-01T18:00:00</v></c>"
        "<c r=\"C1\" t=\"d\"><v>not a date</v></c>"
        "<c r=\"D1\" t=\"inlineStr\"><is><t>http://purl.oclc.org/ooxml/spreadsheetml/main</t></is></c></row>";
    for (const bool date1904 : {false, true}) {
        SCOPED_TRACE(date1904 ? "1904 source" : "1900 source");
        Workbook target = Workbook::CreateNew();  // 1900 date system
        target.CopySheet(Workbook::Open(StrictWorkbook(date1904, cells)), 0, 1, "Dates");
        const std::string bytes = target.SaveToBytes();
        const std::string part = "xl/worksheets/sheet2.xml";
        EXPECT_EQ(CellValue(bytes, part, "A1"), "45352");
        EXPECT_EQ(CellValue(bytes, part, "B1"), "45352.75");
        pugi::xml_document doc;
        doc.load_string(ReadPart(bytes, part).c_str());
        EXPECT_FALSE(doc.select_node("//c[@r='A1']").node().attribute("t"));
        // A value that is no date stays as written; cell text is never translated.
        EXPECT_STREQ(doc.select_node("//c[@r='C1']").node().attribute("t").value(), "d");
        EXPECT_EQ(CellValue(bytes, part, "C1"), "not a date");
        EXPECT_STREQ(doc.select_node("//c[@r='D1']/is/t").node().child_value(),
                     "http://purl.oclc.org/ooxml/spreadsheetml/main");
    }
}

TEST(Strict, DateCellsWithAPrefixOrWithoutValueAndStrictPartsUnderTransitionalRelationships) {
    EXPECT_EQ(TranslateStrictXml("<x:row><x:c r=\"A1\" t=\"d\" s=\"1\"><x:v> 2024-03-01 </x:v></x:c>"
                                 "<x:c r=\"A2\" t=\"d\"/><x:c r=\"A3\"><x:v>2024-03-01</x:v></x:c></x:row>",
                                 true, false, false),
              "<x:row><x:c r=\"A1\" s=\"1\"><x:v>45352</x:v></x:c>"
              "<x:c r=\"A2\" t=\"d\"/><x:c r=\"A3\"><x:v>2024-03-01</x:v></x:c></x:row>");
    // A package whose root relationships are transitional but whose parts are Strict.
    std::string bytes = StrictWorkbook(false, "<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>");
    test::Parts parts;
    for (const auto& name : test::PartNames(bytes)) {
        std::string xml = ReadPart(bytes, name);
        if (name == "_rels/.rels")
            xml.replace(xml.find("http://purl.oclc.org/ooxml/officeDocument/relationships/"), 56,
                        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
        parts.emplace_back(name, xml);
    }
    const Workbook mixed = Workbook::Open(test::MakeZip(parts));
    ASSERT_EQ(mixed.SheetCount(), 1u);
    EXPECT_EQ(mixed.Sheets()[0].name, "Dates");
    ExpectNoStrictNames(mixed.SaveToBytes());
}

TEST(Strict, IsoDatesAndTimesGiveTheSerialsOfEachDateSystem) {
    struct Case {
        const char* text;
        bool date1904;
        bool ok;
        double serial;
    } cases[] = {
        {"1900-01-01", false, true, 1},         {"1900-02-28", false, true, 59},
        {"1900-02-29", false, true, 60},        {"1900-03-01", false, true, 61},
        {"1899-12-31", false, true, 0},         {"1899-12-30", false, false, 0},
        {"2024-03-01T12:00:00", false, true, 45352.5},
        {"2024-03-01T06:00:00.5Z", false, true, 45352.25 + 0.5 / 86400},
        {"2024-03-01T06:00+09:00", false, true, 45352.25},
        {"1904-01-01", true, true, 0},          {"1904-01-02T12:00:00", true, true, 1.5},
        {"1903-12-31", true, false, 0},         {"1900-02-29", true, false, 0},
        {"12:00:00", false, true, 0.5},         {"2023-02-29", false, false, 0},
        {"2024-13-01", false, false, 0},        {"2024-03-01T25:00:00", false, false, 0},
        {"2024-03-01x", false, false, 0},       {"", false, false, 0},
    };
    for (const Case& c : cases) {
        double serial = -1;
        EXPECT_EQ(IsoDateToSerial(c.text, c.date1904, serial), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(serial, c.serial) << c.text;
        }
    }
}

TEST(Strict, OnlyNamespacesAndRelationshipTypesAreTranslated) {
    const std::string in =
        "<?xml version=\"1.0\"?><!-- http://purl.oclc.org/ooxml/spreadsheetml/main -->"
        "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
        "<Relationship Id=\"rId1\" Type=\"http://purl.oclc.org/ooxml/officeDocument/relationships/extendedProperties\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet\" "
        "Target=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"/></Relationships>";
    const std::string out = TranslateStrictXml(in, false, false, false);
    EXPECT_NE(out.find("Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\""),
              std::string::npos);
    EXPECT_NE(out.find("Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\""),
              std::string::npos);
    // A target and a comment are no namespace names.
    EXPECT_NE(out.find("Target=\"http://purl.oclc.org/ooxml/spreadsheetml/main\""), std::string::npos);
    EXPECT_NE(out.find("<!-- http://purl.oclc.org/ooxml/spreadsheetml/main -->"), std::string::npos);
    const std::string drawing = "<xdr:wsDr xmlns:xdr=\"http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing\">"
                                "<a:graphicData xmlns:a='http://purl.oclc.org/ooxml/drawingml/main' "
                                "uri=\"http://purl.oclc.org/ooxml/drawingml/chart\"/></xdr:wsDr>";
    EXPECT_EQ(TranslateStrictXml(drawing, false, false, false),
              "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">"
              "<a:graphicData xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main' "
              "uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/></xdr:wsDr>");
}

}  // namespace
}  // namespace zelmo::xlsx
