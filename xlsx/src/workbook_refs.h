// Workbook-level things a copied sheet's formulas refer to: defined names and external links. The
// spreadsheet program copies the names a sheet's formulas use when the target lacks them, and takes
// the external links along, renumbering the "[n]" in formulas to the target's list of links.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "package.h"

namespace zelmo::xlsx {

struct WorkbookRefs {
    // Workbook-scoped names of the source used by the sheet (directly or through another copied
    // name) that the target lacks; names that refer to the copied sheet itself go with
    // CopySheetNames instead.
    std::vector<pugi::xml_node> names;
    // External links used: the source's number -> the target's number.
    std::map<unsigned, unsigned> links;
    // Source link parts to add to the target, in the order of their new numbers.
    std::vector<std::string> newLinkParts;
};

// `sheetXml` is the copied sheet part as stored.
WorkbookRefs FindWorkbookRefs(const Package& source, const std::string& sheetName, std::string_view sheetXml,
                              const Package& target);

// Renumbers the external link references ("[2]Sheet!A1", "'[2]My sheet'!A1", "[2]!Name") of a formula.
// True when it changed anything.
bool RenumberExternalLinks(std::string& formula, const std::map<unsigned, unsigned>& links);

// How many external links the package lists.
std::size_t LinkCount(const Package& p);

// Adds the copied link parts (already stored under `partNames`) to the target's list of external
// references.
void AddExternalLinks(Package& target, const std::vector<std::string>& partNames);

}  // namespace zelmo::xlsx
