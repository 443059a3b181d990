// A sheet copied into another workbook may have formulas naming other sheets or tables of its
// workbook. As the spreadsheet program does, they become external references to the source file
// ("[1]Sheet2!A1", "[1]!Table1[Column]") with a link part naming the file and its sheets and holding
// the cached values of the cells they read; this needs the file the source was read from.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "package.h"

namespace zelmo::xlsx {

// The ranges of the source's sheets that references through a link read, by sheet name, as
// written ("$B$2:$B$10", "A1", "C:C").
using LinkedCells = std::map<std::string, std::set<std::string>>;

struct SourceLink {
    std::vector<std::string> sheets;  // other sheets of the source the formulas name
    std::vector<std::string> tables;  // tables of the source on other sheets the formulas name
    std::map<std::string, std::string> tableSheets;  // the sheet each of those tables is on
    std::vector<std::string> allSheets;  // the source's sheets, for 3-D references between them
    bool threeD = false;                 // the formulas have such 3-D references
    unsigned number = 0;              // the link's number in the target
    std::string part;                 // the target's link part when it already links to the source
    std::string xml;                  // the link part's content (made once the cells are known)
    mutable LinkedCells cells;        // noted by PointAtSource
    bool Needed() const { return !sheets.empty() || !tables.empty() || threeD; }
};

// `names` are the defined names copied along (their formulas count too); `number` the link's
// number; `copiedHere` the source's sheets already copied into the target (references to them name
// the copies instead, and tables on them are the copies' tables).
// The id stem of the relationships that make a copy's hyperlinks open a sheet of the source file.
inline constexpr const char* kSourceHyperlinkId = "rIdSource";

// Whether the package has tables.
bool HasTables(const Package& source);

// `formulas` is FormulaText of the copied sheet part.
SourceLink PlanSourceLink(const Package& source, const SheetEntry& copied, const std::string& formulas,
                          const std::vector<pugi::xml_node>& names, unsigned number,
                          const std::vector<std::string>& copiedHere = {});

// Points a formula's references to those sheets and tables at the source, noting the cells they
// read; true when it changed the formula. 3-D references ("Sheet1:Sheet3!A1") between two of
// those sheets link too.
bool PointAtSource(std::string& formula, const SourceLink& link);

// A file as a link target: "file:///C:\\dir\\book.xlsx" on Windows, "file:///dir/book.xlsx" elsewhere.
std::string FileUri(const std::string& path);

// The link part's content: the source's sheet names and the cached values of `cells` (what a
// reader that does not update links shows). Throws Error Corrupt when a sheet read is damaged.
std::string SourceLinkXml(const Package& source, const LinkedCells& cells);

// Adds the link part (`link.xml`) to the target as link `link.number`, or rewrites `link.part`.
// Returns the part's name.
std::string AddSourceLink(Package& target, const Package& source, const SourceLink& link);

}  // namespace zelmo::xlsx
