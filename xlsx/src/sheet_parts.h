// The parts related to a copied sheet: which relationships are carried (hyperlinks, printer
// settings, drawings with their charts and pictures, comments and threaded comments, tables, form
// controls, embedded objects, pivot tables with their caches) and deep copies of those parts under
// new names in the target; the rest (slicers, timelines, ...) is reported as not carried.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "connections.h"
#include "package.h"
#include "source_link.h"
#include "style_mapper.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtChart = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";

struct CarriedParts {
    Relationships sheetRels;  // the copy's relationships, keeping the source's ids
    std::set<std::string> keptIds;
    std::vector<std::pair<std::string, std::string>> parts;  // new part name, content
    std::vector<std::pair<std::string, std::string>> types;  // new part name, content type
    std::vector<std::string> notCarried;
    // Tables renamed to stay unique in the target: old and new name, for the copy's formulas.
    std::vector<std::pair<std::string, std::string>> tableRenames;
    bool threadedComments = false;  // the persons of the source must go along
    std::vector<std::string> workbookParts;  // new names of `workbookParts`, in their order
    std::vector<std::pair<std::string, std::uint32_t>> pivotCaches;  // new cache definition part, cacheId
    ConnectionPlan::Update connections;  // the target's connections part, when query tables came along
    bool slicers = false;  // the sheet's slicers came along (its slicer list stays)
    std::vector<std::string> slicerCaches, slicerCacheNames;  // new slicer cache parts and their names
};

// The copied sheet's name in the source and in the copy; `alone` when it is made alone in a new
// workbook (its source's other sheets will not follow it there).
struct SheetNames {
    std::string from, to;
    bool alone = false;
    const SheetEntry* entry = nullptr;  // the copied sheet in the source
    std::uint32_t newSheetId = 0;       // the copy's sheetId in the target
    // In a merge: the source's sheets copied into the target earlier under other names (old, new).
    const std::vector<std::pair<std::string, std::string>>* earlier = nullptr;
};

// Also deep-copies `workbookParts`, workbook-level parts of the source the copy needs (external links).
CarriedParts CopyRelatedParts(const Package& source, const std::string& sourceSheetPart, const Package& target,
                              const std::string& newSheetPart, StyleMapper& styles, const SheetNames& names,
                              const std::vector<std::string>& workbookParts = {});

}  // namespace zelmo::xlsx
