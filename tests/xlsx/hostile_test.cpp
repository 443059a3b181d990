// Hostile and broken packages: each is refused with a Japanese Error of the right kind, or copied,
// saved and opened again, in bounded time and memory. The packages are built here part by part.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "part_store.h"
#include "xlsx/workbook.h"
#include "zip_fixture.h"

namespace zelmo::xlsx {
namespace {

using test::MakeZip;
using test::Parts;

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kPkg = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string Sheet(const std::string& body, const std::string& before = "") {
    return "<?xml version=\"1.0\"?>" + before + "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\">" + body +
           "</worksheet>";
}

std::string Rels(const std::string& body) { return "<Relationships xmlns=\"" + kPkg + "\">" + body + "</Relationships>"; }

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRel + "/" + type + "\" Target=\"" + target + "\"/>";
}

// The parts of a workbook with the given <sheet> entries and workbook relationships; sheet parts
// are added by the caller.
Parts Book(const std::string& sheets, const std::string& workbookRels, const std::string& workbookPrefix = "") {
    return {{"[Content_Types].xml",
             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/xl/workbook.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
            {"_rels/.rels", Rels(Rel("rId1", "officeDocument", "xl/workbook.xml"))},
            {"xl/workbook.xml", "<?xml version=\"1.0\"?>" + workbookPrefix + "<workbook xmlns=\"" + kMain +
                                    "\" xmlns:r=\"" + kRel + "\"><sheets>" + sheets + "</sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels", Rels(workbookRels)}};
}

// One worksheet "Data" (xl/worksheets/sheet1.xml) with `sheetXml`, `extra` parts and more
// workbook relationships.
std::string OneSheet(const std::string& sheetXml, const Parts& extra = {}, const std::string& moreRels = "") {
    Parts parts = Book("<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>",
                       Rel("rId1", "worksheet", "worksheets/sheet1.xml") + moreRels);
    parts.emplace_back("xl/worksheets/sheet1.xml", sheetXml);
    parts.insert(parts.end(), extra.begin(), extra.end());
    return MakeZip(parts);
}

// Rewrites the 32-bit little-endian field at `offset` after every header signature `sig` of the
// entry named `name` (local header: name at 30, central header: name at 46).
void PatchField(std::string& zip, const std::string& name, std::uint32_t value, bool local, std::size_t offset) {
    const std::string sig = local ? std::string("PK\x03\x04", 4) : std::string("PK\x01\x02", 4);
    const std::size_t nameAt = local ? 30 : 46;
    for (std::size_t at = zip.find(sig); at != std::string::npos; at = zip.find(sig, at + 4)) {
        if (zip.compare(at + nameAt, name.size(), name) != 0) continue;
        for (int i = 0; i < 4; ++i) zip[at + offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Declares another uncompressed size for `name` in both headers, so that only inflating tells.
std::string WithDeclaredSize(std::string zip, const std::string& name, std::uint32_t size) {
    PatchField(zip, name, size, true, 22);
    PatchField(zip, name, size, false, 24);
    return zip;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// Opens the package, copies every sheet (the first ten) into a new workbook and into the package itself, saves both
// and opens the saved bytes; returns the Error that stopped it, if any.
std::optional<Error> Run(const std::string& bytes) {
    try {
        Workbook source = Workbook::Open(bytes);
        Workbook fresh = Workbook::CreateNew();
        const auto sheets = source.Sheets();
        for (std::size_t i = 0; i < sheets.size() && i < 10; ++i) {
            std::vector<std::string> taken;
            for (const auto& s : fresh.Sheets()) taken.push_back(s.name);
            fresh.CopySheet(source, i, fresh.SheetCount(), UniqueSheetName(sheets[i].name, taken));
        }
        source.CopySheet(source, 0, 0, UniqueSheetName(sheets[0].name, {sheets[0].name}));
        for (const Workbook* book : {&fresh, &source}) {
            const Workbook again = Workbook::Open(book->SaveToBytes());
            EXPECT_EQ(again.SheetCount(), book->SheetCount());
        }
        return std::nullopt;
    } catch (const Error& e) {
        return e;
    }
}

struct Case {
    const char* what;
    std::string bytes;
    std::optional<ErrorKind> kind;  // none: copied, saved and reopened
    const char* message = "";       // a distinctive part of the Japanese message
};

void Check(const Case& c) {
    const std::optional<Error> e = Run(c.bytes);
    if (!c.kind) {
        EXPECT_FALSE(e) << c.what << ": " << e->what();
        return;
    }
    ASSERT_TRUE(e) << c.what << ": accepted";
    EXPECT_EQ(e->kind(), *c.kind) << c.what << ": " << e->what();
    EXPECT_NE(std::string(e->what()).find(c.message), std::string::npos) << c.what << ": " << e->what();
}

TEST(Hostile, ZipHeadersThatLieAboutSizesAreCaughtWhenInflating) {
    const std::string sound = OneSheet(Sheet("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>"));
    const std::string sheet = "xl/worksheets/sheet1.xml";
    std::string pastEnd = sound;
    PatchField(pastEnd, sheet, 0x7FFFFF, false, 20);  // compressed size reaching past the central directory
    const Case cases[] = {
        {"sound package", sound, std::nullopt},
        {"declared smaller than the data", WithDeclaredSize(sound, sheet, 10), ErrorKind::Corrupt, sheet.c_str()},
        {"declared larger than the data", WithDeclaredSize(sound, sheet, 5000), ErrorKind::Corrupt, sheet.c_str()},
        {"declared 1.6 GB, data of a few bytes", WithDeclaredSize(sound, sheet, 1600000000u),
         ErrorKind::LimitExceeded, "圧縮爆弾"},
        {"local header disagreeing with the central one", [&] {
             std::string z = sound;
             PatchField(z, sheet, 12345, true, 22);
             return z;
         }(), ErrorKind::Corrupt, "壊れて"},
        {"entry data past the central directory", pastEnd, ErrorKind::Corrupt, "壊れて"},
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, UnsafeEntryNamesAreRefused) {
    const std::string sheet = Sheet("<sheetData/>");
    const Case cases[] = {
        {"absolute path", OneSheet(sheet, {{"/etc/evil.xml", "x"}}), ErrorKind::Corrupt, "不正な名前"},
        {"backslashes", OneSheet(sheet, {{"..\\..\\evil.xml", "x"}}), ErrorKind::Corrupt, "不正な名前"},
        {"drive letter", OneSheet(sheet, {{"C:/evil.xml", "x"}}), ErrorKind::Corrupt, "不正な名前"},
        {"dot segment", OneSheet(sheet, {{"xl/./evil.xml", "x"}}), ErrorKind::Corrupt, "不正な名前"},
        {"parent inside", OneSheet(sheet, {{"xl/media/../../evil.xml", "x"}}), ErrorKind::Corrupt, "不正な名前"},
        {"names equal but for case", OneSheet(sheet, {{"XL/Worksheets/Sheet1.xml", sheet}}), ErrorKind::Corrupt,
         "不正な名前"},
        {"the same name twice", Replaced(OneSheet(sheet, {{"xl/worksheets/sheet1.xmX", sheet}}), "sheet1.xmX", "sheet1.xml"),
         ErrorKind::Corrupt, "壊れて"},
        {"folder entries are harmless", OneSheet(sheet, {{"xl/media/", ""}}), std::nullopt},
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, DocumentTypeDeclarationsAreRefusedWhereverTheyAre) {
    const std::string laughs =
        "<!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>";
    const std::string external = "<!DOCTYPE x [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>";
    const std::string cell = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&lol3;</t></is></c></row></sheetData>";
    Parts doctypeWorkbook = Book("<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>",
                                 Rel("rId1", "worksheet", "worksheets/sheet1.xml"), laughs);
    doctypeWorkbook.emplace_back("xl/worksheets/sheet1.xml", Sheet("<sheetData/>"));
    const Case cases[] = {
        {"entity expansion in a sheet", OneSheet(Sheet(cell, laughs)), ErrorKind::Corrupt, "DOCTYPE"},
        {"external entity in a sheet", OneSheet(Sheet("<sheetData/>", external)), ErrorKind::Corrupt, "DOCTYPE"},
        {"DTD in the workbook part", MakeZip(doctypeWorkbook), ErrorKind::Corrupt, "DOCTYPE"},
        {"DTD in the shared strings", OneSheet(Sheet("<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>"),
                                               {{"xl/sharedStrings.xml", "<?xml version=\"1.0\"?>" + external +
                                                                             "<sst xmlns=\"" + kMain + "\"><si><t>&xxe;</t></si></sst>"}},
                                               Rel("rId2", "sharedStrings", "sharedStrings.xml")),
         ErrorKind::Corrupt, "DOCTYPE"},
        {"an undeclared entity is text, not expanded", OneSheet(Sheet(cell)), std::nullopt},
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, RelationshipCyclesAndChainsStayBounded) {
    const std::string sheet = Sheet("<sheetData/><drawing r:id=\"rId1\"/>");
    const std::string sheetRels = "xl/worksheets/_rels/sheet1.xml.rels";
    const std::string drawing = "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"/>";
    // drawing1 -> drawing2 -> drawing1, and a drawing that refers to itself.
    const Parts cycle = {{sheetRels, Rels(Rel("rId1", "drawing", "../drawings/drawing1.xml"))},
                         {"xl/drawings/drawing1.xml", drawing},
                         {"xl/drawings/_rels/drawing1.xml.rels", Rels(Rel("rId1", "drawing", "drawing2.xml") +
                                                                      Rel("rId2", "drawing", "drawing1.xml"))},
                         {"xl/drawings/drawing2.xml", drawing},
                         {"xl/drawings/_rels/drawing2.xml.rels", Rels(Rel("rId1", "drawing", "drawing1.xml"))}};
    // A chain of 500 parts, each referring to the next.
    Parts chain = {{sheetRels, Rels(Rel("rId1", "drawing", "../drawings/d0.xml"))}};
    for (int i = 0; i < 500; ++i) {
        const std::string n = std::to_string(i);
        chain.emplace_back("xl/drawings/d" + n + ".xml", drawing);
        chain.emplace_back("xl/drawings/_rels/d" + n + ".xml.rels",
                           Rels(Rel("rId1", "drawing", "d" + std::to_string(i + 1) + ".xml")));
    }
    // Targets outside the package resolve to part names that do not exist: left out.
    const Parts outside = {{sheetRels, Rels(Rel("rId1", "drawing", "../../../../../../etc/passwd") +
                                            Rel("rId2", "drawing", "/../../drawing.xml"))}};
    // A part at the package root is copied under a name without a leading slash.
    const Parts atRoot = {{sheetRels, Rels(Rel("rId1", "drawing", "/top.xml"))}, {"top.xml", drawing}};
    const Case cases[] = {
        {"cycle of related parts", OneSheet(sheet, cycle), std::nullopt},
        {"chain of 500 related parts", OneSheet(sheet, chain), ErrorKind::Corrupt, "深すぎ"},
        {"targets outside the package", OneSheet(sheet, outside), std::nullopt},
        {"related part at the package root", OneSheet(sheet, atRoot), std::nullopt},
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, SheetEntriesAndIndicesOutOfRange) {
    Parts shared = Book("<sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"B\" sheetId=\"2\" r:id=\"rId2\"/>",
                        Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "worksheet", "worksheets/sheet1.xml"));
    shared.emplace_back("xl/worksheets/sheet1.xml", Sheet("<sheetData/>"));
    // Thousands of sheets, each looked up through thousands of relationships.
    std::string entries, rels;
    Parts many;
    for (int i = 1; i <= 3000; ++i) {
        const std::string n = std::to_string(i);
        entries += "<sheet name=\"S" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += Rel("rId" + n, "worksheet", "worksheets/sheet" + n + ".xml");
        many.emplace_back("xl/worksheets/sheet" + n + ".xml", Sheet("<sheetData/>"));
    }
    Parts manySheets = Book(entries, rels);
    manySheets.insert(manySheets.end(), many.begin(), many.end());
    const std::string styles = "<styleSheet xmlns=\"" + kMain + "\"><cellXfs count=\"4294967295\"><xf numFmtId=\"4294967295\" "
                               "fontId=\"99999\" fillId=\"4294967295\" borderId=\"7\" xfId=\"123456\"/></cellXfs>"
                               "<dxfs count=\"999999999\"/></styleSheet>";
    const std::string strings = "<sst xmlns=\"" + kMain + "\" count=\"4294967295\" uniqueCount=\"4294967295\"><si><t>a</t></si></sst>";
    const Parts styled = {{"xl/styles.xml", styles}, {"xl/sharedStrings.xml", strings}};
    auto withStylesAndStrings = [&](const std::string& sheetXml) {
        Parts parts = Book("<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>",
                           Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "styles", "styles.xml") +
                               Rel("rId3", "sharedStrings", "sharedStrings.xml"));
        parts.emplace_back("xl/worksheets/sheet1.xml", sheetXml);
        parts.insert(parts.end(), styled.begin(), styled.end());
        return MakeZip(parts);
    };
    const std::string wild = Sheet(
        "<cols><col min=\"4294967295\" max=\"1\" style=\"4294967295\"/></cols><sheetData>"
        "<row r=\"99999999999\" s=\"77\"><c r=\"ZZZZZZZZ99999999999\" s=\"0\" t=\"s\"><v>0</v></c>"
        "<c r=\"\" s=\"4294967295\"><v>1</v></c><c s=\"-1\"><v>x</v></c></row></sheetData>"
        "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\" dxfId=\"4294967295\" priority=\"1\"/>"
        "</conditionalFormatting>");
    const Case cases[] = {
        {"two sheets on one part", MakeZip(shared), ErrorKind::Corrupt, "別のシート"},
        {"3000 sheets", MakeZip(manySheets), std::nullopt},
        {"indices, counts and references far out of range", withStylesAndStrings(wild), std::nullopt},
        {"shared string past the table",
         withStylesAndStrings(Sheet("<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row></sheetData>")),
         ErrorKind::Corrupt, "共有文字列"},
        {"shared string index past 32 bits",
         withStylesAndStrings(Sheet("<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>99999999999</v></c></row></sheetData>")),
         std::nullopt},  // not an index: left as written
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, CustomNumberFormatAtTheLargestIdLeavesTheBuiltInsAlone) {
    auto book = [&](const std::string& numFmts) {
        Parts parts = Book("<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>",
                           Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "styles", "styles.xml"));
        parts.emplace_back("xl/worksheets/sheet1.xml",
                           Sheet("<sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c></row></sheetData>"));
        parts.emplace_back("xl/styles.xml", "<styleSheet xmlns=\"" + kMain + "\"><numFmts>" + numFmts +
                                                "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"170\"/>"
                                                "</cellXfs></styleSheet>");
        return Workbook::Open(MakeZip(parts));
    };
    Workbook target = book("<numFmt numFmtId=\"4294967295\" formatCode=\"0.0\"/>");
    const Workbook source = book("<numFmt numFmtId=\"170\" formatCode=\"0.000\"/>");
    target.CopySheet(source, 0, 1, "Copy");
    const std::string styles = test::ReadPart(target.SaveToBytes(), "xl/styles.xml");
    EXPECT_NE(styles.find("numFmtId=\"164\" formatCode=\"0.000\""), std::string::npos) << styles;
    EXPECT_EQ(styles.find("numFmtId=\"0\" formatCode"), std::string::npos) << styles;
}

TEST(Hostile, AChainOfThousandsOfNamesIsFollowedInLinearTime) {
    // N0 is used by the sheet, N(i) by N(i-1): each name the copy needs leads to the next. The
    // names are listed backwards so that scanning them in order finds one more per pass.
    const int count = 3000;
    std::string names = "<definedNames>";
    for (int i = count - 1; i >= 0; --i)
        names += "<definedName name=\"N" + std::to_string(i) + "\">" +
                 (i + 1 < count ? "N" + std::to_string(i + 1) + "+1" : std::string("Data!$A$1")) + "</definedName>";
    names += "</definedNames>";
    Parts parts = Book("<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Other\" sheetId=\"2\" r:id=\"rId2\"/>",
                       Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "worksheet", "worksheets/sheet2.xml"));
    parts[2].second = Replaced(parts[2].second, "</sheets>", "</sheets>" + names);
    parts.emplace_back("xl/worksheets/sheet1.xml", Sheet("<sheetData/>"));
    parts.emplace_back("xl/worksheets/sheet2.xml",
                       Sheet("<sheetData><row r=\"1\"><c r=\"A1\"><f>N0*2</f></c></row></sheetData>"));
    const Workbook source = Workbook::Open(MakeZip(parts));
    Workbook target = Workbook::CreateNew();
    target.CopySheet(source, 1, 1, "Other");
    const std::string workbook = test::ReadPart(target.SaveToBytes(), "xl/workbook.xml");
    EXPECT_NE(workbook.find("name=\"N0\""), std::string::npos);
    EXPECT_NE(workbook.find("name=\"N" + std::to_string(count - 1) + "\""), std::string::npos);
}

TEST(Hostile, CellDataIsFoundOrRefusedNeverCopiedUnmapped) {
    // The cell refers to string 0 of a workbook without shared strings: a copy that sees the cell
    // must refuse it; one that does not would carry a dangling index.
    const std::string data = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>";
    const std::string ns = " xmlns:x=\"" + kMain + "\"";
    const Case cases[] = {
        {"'<' inside the XML declaration", OneSheet("<?xml version=\"1.0\" encoding=\"<x:-8\"?>" + Sheet(data).substr(21)),
         ErrorKind::Corrupt, "共有文字列"},
        {"'<' inside a comment before the root", OneSheet("<!-- <x:a> -->" + Sheet(data).substr(21)), ErrorKind::Corrupt,
         "共有文字列"},
        {"cell data under another prefix than the root's", OneSheet("<x:worksheet" + ns + ">" + data + "</x:worksheet>"),
         ErrorKind::Corrupt, "セルデータ"},
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, DeepNestingIsWalkedWithoutRecursion) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    for (int i = 0; i < 100000; ++i) deep += "</a>";
    const Case cases[] = {
        {"deep element in the sheet's skeleton",
         OneSheet(Sheet("<sheetData/><extLst><ext uri=\"{78C0D931-6437-407d-A8EE-F0AAD7539E65}\">" + deep + "</ext></extLst>")),
         std::nullopt},
        {"deep element in a cell", OneSheet(Sheet("<sheetData><row r=\"1\"><c r=\"A1\" s=\"3\">" + deep + "</c></row></sheetData>")),
         std::nullopt},
    };
    for (const auto& c : cases) Check(c);
}

TEST(Hostile, LimitsCountWhatTheCentralDirectoryDeclares) {
    // Many small parts whose declared sizes add up past the total: refused before any is inflated.
    Parts parts;
    for (int i = 0; i < 8; ++i) parts.emplace_back("p" + std::to_string(i) + ".bin", std::string(1000, 'x'));
    PackageLimits limits;
    limits.maxTotalSize = 7000;
    try {
        PartStore::Open(MakeZip(parts), limits);
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::LimitExceeded);
    }
    limits.maxTotalSize = 8000;
    EXPECT_NO_THROW(PartStore::Open(MakeZip(parts), limits));
}

}  // namespace
}  // namespace zelmo::xlsx
