// The parts related to a copied sheet: which relationships are carried (hyperlinks, printer
// settings, drawings with their charts and pictures, comments) and deep copies of those parts under
// new names in the target; the rest (tables, pivot tables, controls, ...) is reported as not carried.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "package.h"

namespace zelmo::xlsx {

struct CarriedParts {
    Relationships sheetRels;  // the copy's relationships, keeping the source's ids
    std::set<std::string> keptIds;
    std::vector<std::pair<std::string, std::string>> parts;  // new part name, content
    std::vector<std::pair<std::string, std::string>> types;  // new part name, content type
    std::vector<std::string> notCarried;
};

CarriedParts CopyRelatedParts(const Package& source, const std::string& sourceSheetPart, const Package& target,
                              const std::string& newSheetPart);

}  // namespace zelmo::xlsx
