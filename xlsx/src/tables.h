// Tables of a copied sheet. A table's id and name must be unique in the whole workbook, and its name
// must differ from every defined name too, or the spreadsheet program repairs the file on opening.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "package.h"
#include "style_mapper.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtTable = "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";

class TableNaming {
public:
    // Collects the ids and names of the target's tables and its defined names.
    explicit TableNaming(const Package& target);

    // The copied table part with a fresh id, a unique name and display name, its differential
    // formats remapped into the target's styles, and (`dropQuery`, when the query's data connection
    // stays behind) its link to a query table removed so that it stays an ordinary table with its data.
    std::string Adopt(const std::string& xml, const std::string& part, StyleMapper& styles, bool dropQuery);

    // Old and new display names of the tables renamed so far.
    const std::vector<std::pair<std::string, std::string>>& Renames() const { return renames_; }

private:
    std::string UniqueName(const std::string& wanted);
    bool Taken(const std::string& name) const;

    std::set<std::uint32_t> ids_;
    std::vector<std::string> names_;
    std::vector<std::pair<std::string, std::string>> renames_;
};

// Replaces the table name `oldName` (matched ignoring case) in the structured references of a
// formula (`Table1[Column]`, `Table1[#All]`, a bare `Table1`) by `newName`; text in string literals is left alone.
// True when it changed anything.
bool RenameTableInFormula(std::string& formula, const std::string& oldName, const std::string& newName);

// Applies the renames to the formulas of a table part (calculated columns, totals rows).
std::string RenameTablesInTablePart(const std::string& xml, const std::string& part,
                                    const std::vector<std::pair<std::string, std::string>>& renames);

}  // namespace zelmo::xlsx
