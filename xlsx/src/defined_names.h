// Defined names (print areas, print titles, filters, user names) as sheets move: sheet-scoped names
// follow their sheet's position, and a copied sheet's names are rewritten to its new name.
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zelmo::xlsx {

// Adds `delta` to every localSheetId >= `from`; with delta -1 the names of sheet `from - 1`... are
// not touched: callers remove a sheet's own names first (RemoveNamesOfSheet).
void ShiftLocalSheetIds(pugi::xml_node definedNames, std::size_t from, int delta);
// Adds `delta` to a sheet index attribute of a workbook view (activeTab, firstSheet) when it is at
// least `from`; the first sheet's index never goes below 0.
void ShiftViewIndex(pugi::xml_node view, const char* attr, std::size_t from, int delta);
void RemoveNamesOfSheet(pugi::xml_node definedNames, std::size_t sheetIndex);

// Replaces references to sheet `oldName` in a formula by `newName` (quoted as needed); text inside
// string literals is left alone.
std::string RenameSheetInFormula(const std::string& formula, const std::string& oldName, const std::string& newName);
// Renames several sheets at once (each reference replaced at most once, so that "A" -> "B" and
// "B" -> "C" together do not turn a reference to A into C).
std::string RenameSheetsInFormula(const std::string& formula,
                                  const std::vector<std::pair<std::string, std::string>>& renames);
// Replaces references to sheet `oldName` ("Old!", "'Old sheet'!") by `replacement` (which ends in "!").
std::string ReplaceSheetReferences(const std::string& formula, const std::string& oldName, const std::string& replacement);
// True when the formula refers to sheet `name`.
bool FormulaRefersTo(const std::string& formula, const std::string& name);
// The sheet name as a formula writes it: bare when plain, otherwise in apostrophes.
std::string QuoteSheetName(const std::string& name);
// A sheet of external workbook `n` as a formula writes it: "[1]Data!" or "'[1]My data'!".
std::string ExternalSheetPrefix(unsigned n, const std::string& sheet);

// Copies the names that belong to sheet `sourceIndex` of `source` (its sheet-scoped names, and the
// workbook-scoped names that refer to it and that the target lacks) into `target` for the copy at
// `position`. `rewrite` turns a source formula into the copy's (its sheet renamed, links...).
// `target` must already have been shifted for the insertion.
void CopySheetNames(const pugi::xml_node& source, std::size_t sourceIndex, const std::string& oldName,
                    pugi::xml_node target, std::size_t position,
                    const std::function<std::string(const std::string&)>& rewrite);

}  // namespace zelmo::xlsx
