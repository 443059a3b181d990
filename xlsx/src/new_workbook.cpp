// The parts of a workbook as a spreadsheet program makes it new: one empty worksheet "Sheet1", the
// default font and the "標準" (Normal) cell style.
#include "package.h"

#include <iterator>
#include <string_view>
#include <vector>

namespace zelmo::xlsx {
namespace {

constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

constexpr const char* kContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "<Override PartName=\"/docProps/core.xml\" "
    "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
    "<Override PartName=\"/docProps/app.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
    "</Types>";

constexpr const char* kRootRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
    "Target=\"docProps/core.xml\"/>"
    "<Relationship Id=\"rId3\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" "
    "Target=\"docProps/app.xml\"/>"
    "</Relationships>";

constexpr const char* kWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<bookViews><workbookView xWindow=\"0\" yWindow=\"0\" windowWidth=\"19200\" windowHeight=\"10800\"/>"
    "</bookViews>"
    "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
    "<calcPr calcId=\"191029\"/>"
    "</workbook>";

constexpr const char* kWorkbookRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "</Relationships>";

constexpr const char* kSheetHead =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/>"
    "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>";
// 18.75 pt is the height of a row in the default font (游ゴシック 11).
constexpr const char* kSheetFormat = "<sheetFormatPr defaultRowHeight=\"18.75\"/>";
constexpr const char* kSheetFormatFixed = "<sheetFormatPr defaultRowHeight=\"18.75\" customHeight=\"1\"/>";
constexpr const char* kSheetTail =
    "<sheetData/>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
    "</worksheet>";

constexpr const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><color theme=\"1\"/>"
    "<name val=\"\xE6\xB8\xB8\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"/>"  // 游ゴシック
    "<family val=\"2\"/><charset val=\"128\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"\xE6\xA8\x99\xE6\xBA\x96\" xfId=\"0\" builtinId=\"0\"/>"  // 標準
    "</cellStyles>"
    "<dxfs count=\"0\"/>"
    "<tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium2\" defaultPivotStyle=\"PivotStyleLight16\"/>"
    "</styleSheet>";

constexpr const char* kCore =
    "<cp:coreProperties "
    "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/>";

constexpr const char* kApp =
    "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
    "<Application>Microsoft Excel</Application></Properties>";

std::string Part(const char* body) { return std::string(kDecl) + body; }

// The parts of a new workbook that saving writes as they are unless something changes them,
// deflated once for all the workbooks a process makes (a split makes one for every sheet).
enum FixedPart { kRootRelsPart, kAppPart, kCorePart, kStylesPart, kSheetPart, kFixedSheetPart };

const std::vector<Deflated>& FixedParts() {
    static const std::vector<Deflated> parts = [] {
        const std::string texts[] = {Part(kRootRels), Part(kApp),         Part(kCore),
                                     Part(kStyles),   NewSheetXml(false), NewSheetXml(true)};
        return DeflateAll(std::vector<std::string_view>(std::begin(texts), std::end(texts)), 6);  // zlib's default level
    }();
    return parts;
}

}  // namespace

std::string DefaultStylesXml() { return Part(kStyles); }

std::string NewSheetXml(bool fixedRowHeight) {
    return Part(kSheetHead) + (fixedRowHeight ? kSheetFormatFixed : kSheetFormat) + kSheetTail;
}

void WriteNewSheet(PartStore& parts, bool fixedRowHeight) {
    parts.WriteDeflated(kNewSheetPart, FixedParts()[fixedRowHeight ? kFixedSheetPart : kSheetPart]);
}

std::unique_ptr<PartStore> NewWorkbookParts() {
    auto parts = PartStore::Empty();
    const std::vector<Deflated>& fixed = FixedParts();
    // The parts saving writes anew anyway (workbook, its relationships, content types) stay plain.
    parts->Write("[Content_Types].xml", Part(kContentTypes));
    parts->WriteDeflated("_rels/.rels", fixed[kRootRelsPart]);
    parts->WriteDeflated("docProps/app.xml", fixed[kAppPart]);
    parts->WriteDeflated("docProps/core.xml", fixed[kCorePart]);
    parts->Write("xl/workbook.xml", Part(kWorkbook));
    parts->Write("xl/_rels/workbook.xml.rels", Part(kWorkbookRels));
    parts->WriteDeflated("xl/styles.xml", fixed[kStylesPart]);
    WriteNewSheet(*parts, false);
    return parts;
}

}  // namespace zelmo::xlsx
