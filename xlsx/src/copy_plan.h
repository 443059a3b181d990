// A sheet copy in two steps: the plan works out everything the copy needs (part names, styles,
// strings, related parts, names, links, the rewritten sheet) and may fail; the commit writes it into
// the target and does not. A failed plan leaves the target as it was (the additions it made to the
// target's styles and shared strings are undone).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cell_metadata.h"
#include "package.h"
#include "sheet_parts.h"
#include "source_link.h"
#include "threaded_comments.h"
#include "workbook_refs.h"

namespace zelmo::xlsx {

// What a copy does besides copying the sheet: three separate decisions.
struct CopyIntent {
    // The sheet's selected state stays as written (the copy will be its workbook's only sheet);
    // otherwise it is cleared so that the target keeps its single selected sheet.
    bool keepSelection = false;
    // The copy is made alone in a new workbook: the source's other sheets will never follow it, so
    // sparklines and pivot caches drawing on them read the source file or are left out.
    bool alone = false;
    // References to the source's other sheets and tables become links to the source's file.
    bool linkToSource = false;
};

struct CopyPlan {
    const Package* source = nullptr;
    std::uint64_t sourceSerial = 0;
    SheetEntry from;
    std::size_t sourceIndex = 0;
    std::size_t position = 0;
    std::string name;
    std::uint32_t newSheetId = 0;
    std::string newPart;
    std::string sheetXml;  // the rewritten sheet; unused when `rewritten` is false
    bool rewritten = false;
    CarriedParts related;
    PersonsUpdate persons;
    WorkbookRefs refs;
    SourceLink sourceLink;
    MetadataUpdate metadata;
    CopyReport report;
    // How the copy's formulas change: links renumbered to the target's list, references to the
    // source's other sheets linked, tables renamed, sheets renamed (its own and earlier copies).
    bool renumber = false;
    std::vector<std::pair<std::string, std::string>> tableRenames;
    std::vector<std::pair<std::string, std::string>> sheetRenames;
    std::vector<std::string> chartParts;  // the copy's charts in the target
    // Names the copy uses that the target has with another meaning: they become the copy's own.
    std::vector<pugi::xml_node> ownNames;
    std::size_t linkRecord = static_cast<std::size_t>(-1);  // the link to the source reused, if any
};

// Rewrites one formula of the copy as the plan says; true when it changed it.
bool TransformFormula(std::string& formula, const CopyPlan& plan);

}  // namespace zelmo::xlsx
