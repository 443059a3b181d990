// An opened workbook package: the zip parts, content types, the workbook part and its
// relationships, and (loaded on first use) the styles and the shared strings.
#pragma once

#include <pugixml.hpp>

#include <memory>
#include <string>
#include <vector>

#include "content_types.h"
#include "part_store.h"
#include "relationships.h"
#include "shared_strings.h"
#include "styles.h"
#include "xml_util.h"
#include "xlsx/workbook.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtWorksheet = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr const char* kCtStyles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr const char* kCtSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

struct SheetEntry {
    pugi::xml_node node;  // the <sheet> element in the workbook part
    std::string name;
    std::string relId;
    std::string part;     // the sheet's part name
    std::string relType;  // full relationship type
    SheetKind kind = SheetKind::Worksheet;
    std::string state;
};

class Package {
public:
    static std::unique_ptr<Package> Load(std::unique_ptr<PartStore> parts);

    std::vector<SheetEntry> SheetEntries() const;
    pugi::xml_node SheetsNode() const;
    // The definedNames element, created (in schema order) when `create` is set.
    pugi::xml_node DefinedNames(bool create);
    // The externalReferences element, created (in schema order) when `create` is set.
    pugi::xml_node ExternalReferences(bool create);
    pugi::xml_node ExistingExternalReferences() const {
        return Child(workbook_.document_element(), "externalReferences");
    }
    // The pivotCaches element, created (in schema order) when `create` is set.
    pugi::xml_node PivotCaches(bool create);
    pugi::xml_node ExistingPivotCaches() const { return Child(workbook_.document_element(), "pivotCaches"); }
    pugi::xml_node WorkbookRoot() const { return workbook_.document_element(); }
    pugi::xml_node ExistingDefinedNames() const { return Child(workbook_.document_element(), "definedNames"); }
    pugi::xml_node WorkbookView() const;

    Styles& styles();
    SharedStrings& sharedStrings();
    const Styles& styles() const { return const_cast<Package*>(this)->styles(); }
    const SharedStrings& sharedStrings() const { return const_cast<Package*>(this)->sharedStrings(); }

    // A part name "folder/stemN.ext" not in use yet.
    std::string FreePartName(const std::string& folder, const std::string& stem, const std::string& ext) const;
    std::uint32_t NextSheetId() const;
    // Drops the calculation chain: it lists formula cells by sheet and goes stale when sheets change.
    void DropCalcChain();

    std::string Save();

    // Takes over the styles, theme and (when `dateSystem`) date system of `source`: a workbook made
    // new for one copied sheet looks like the workbook the sheet came from, as the spreadsheet
    // program does it. Parts the source holds unchanged are taken as stored.
    void AdoptLookOf(const Package& source, bool dateSystem = true);
    bool Date1904() const;

    // The shared strings are exactly those of `source` in the same order: its part is copied as
    // stored instead of writing the table again.
    void ReuseSharedStringsPartOf(const Package& source);

    // A copy that fails puts the styles back as they were (`xml` from Styles::Write before it).
    void RestoreStyles(const std::string& xml, bool changed);

    // The file the package was read from (UTF-8; "" when read from bytes).
    const std::string& origin() const { return origin_; }
    void SetOrigin(std::string path) { origin_ = std::move(path); }

    PartStore& parts() { return *parts_; }
    const PartStore& parts() const { return *parts_; }
    std::shared_ptr<const PartStore> sharedParts() const { return parts_; }
    ContentTypes& types() { return types_; }
    const ContentTypes& types() const { return types_; }
    Relationships& workbookRels() { return workbookRels_; }
    const Relationships& workbookRels() const { return workbookRels_; }
    const std::string& workbookPart() const { return workbookPart_; }
    const std::string& prefix() const { return prefix_; }
    std::string relPrefix() const;

private:
    std::shared_ptr<PartStore> parts_;
    ContentTypes types_;
    std::string workbookPart_;
    pugi::xml_document workbook_;
    std::string prefix_;  // element prefix of the workbook part ("" or "x:")
    Relationships workbookRels_;
    std::unique_ptr<Styles> styles_;
    std::unique_ptr<SharedStrings> sharedStrings_;
    std::string sharedStringsPart_;
    std::string origin_;
};

// The parts of a new workbook with one empty worksheet "Sheet1".
std::unique_ptr<PartStore> NewWorkbookParts();
// The styles part a workbook without one is given.
std::string DefaultStylesXml();
// The part of a new workbook's empty sheet, and its content. `fixedRowHeight` states the row height
// as set, so that the sheet keeps it under a default font other than the one it was made for.
inline constexpr const char* kNewSheetPart = "xl/worksheets/sheet1.xml";
std::string NewSheetXml(bool fixedRowHeight);
// Writes the new workbook's empty sheet into `parts`, deflated beforehand.
void WriteNewSheet(PartStore& parts, bool fixedRowHeight);

}  // namespace zelmo::xlsx
