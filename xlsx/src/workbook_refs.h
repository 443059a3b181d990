// Workbook-level things a copied sheet's formulas refer to: defined names and external links. The
// spreadsheet program copies the names a sheet's formulas use when the target lacks them, and takes
// the external links along, renumbering the "[n]" in formulas to the target's list of links.
#pragma once

#include <functional>
#include <map>
#include <set>
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
    // Names used by the sheet that the target has too, with the target's formula for each: the
    // target's name serves where it means the same, else the copy gets its own sheet-scoped name.
    std::vector<std::pair<pugi::xml_node, std::string>> clashing;
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

// The text of every formula of a part (cells, conditional formats, validations, sparklines, chart
// series: elements f, formula, formula1, formula2 of any prefix) and of every hyperlink location,
// unescaped, one per line: one streaming pass, no document tree.
std::string FormulaText(std::string_view partXml);

// XML text and attribute values: entities (also numeric ones) read, and written back.
std::string UnescapeXml(std::string_view text);
std::string EscapeXml(std::string_view text, bool attribute);

// Rewrites the same formulas and hyperlink locations of a part in place by `fn` (true when it
// changed one), without a document tree; true when anything changed.
bool RewriteFormulaText(std::string& partXml, const std::function<bool(std::string&)>& fn);

// The package's external link parts by number (1-based; "" where a reference is broken).
std::vector<std::string> LinkPartNames(const Package& p);

// Adds the numbers of the external links a formula uses ("[2]Sheet!A1", "[2]!Name") to `used`.
void NoteLinksUsed(std::string_view formula, std::set<unsigned>& used);

// How many external links the package lists.
std::size_t LinkCount(const Package& p);

// Adds the copied link parts (already stored under `partNames`) to the target's list of external
// references.
void AddExternalLinks(Package& target, const std::vector<std::string>& partNames);

}  // namespace zelmo::xlsx
