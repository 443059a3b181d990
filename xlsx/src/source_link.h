// A sheet copied alone into a new workbook may have formulas naming other sheets or tables of its
// workbook, which the new workbook does not have. The spreadsheet program turns them into external
// references to the source file ("[1]Sheet2!A1", "[1]!Table1[Column]") with a link part naming the
// file; so does the engine when it knows the source's file.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "package.h"

namespace zelmo::xlsx {

struct SourceLink {
    std::vector<std::string> sheets;  // other sheets of the source the formulas name
    std::vector<std::string> tables;  // tables of the source on other sheets the formulas name
    unsigned number = 0;              // the link's number in the target
    bool Needed() const { return !sheets.empty() || !tables.empty(); }
};

// `names` are the defined names copied along (their formulas count too); `number` the link's number.
SourceLink PlanSourceLink(const Package& source, const SheetEntry& copied, std::string_view sheetXml,
                          const std::vector<pugi::xml_node>& names, unsigned number);

// Points a formula's references to those sheets and tables at the source; true when it changed it.
bool PointAtSource(std::string& formula, const SourceLink& link);

// A file as a link target: "file:///C:\\dir\\book.xlsx" on Windows, "file:///dir/book.xlsx" elsewhere.
std::string FileUri(const std::string& path);

// Adds the link part (the source's file and sheet names) to the target as link `link.number`.
void AddSourceLink(Package& target, const Package& source, const SourceLink& link);

}  // namespace zelmo::xlsx
