// Pivot tables of a copied sheet with their caches. Each cache is registered in the workbook part
// under a cacheId, which the pivot tables name: copies get cacheIds unused in the target.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "package.h"
#include "sheet_parts.h"
#include "style_mapper.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtPivotTable = "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml";

class PivotIds {
public:
    // Collects the cacheIds the target's workbook part uses.
    explicit PivotIds(const Package& target);

    // The copied pivot table part naming the cacheId of its cache's copy, its differential formats
    // remapped into the target's styles.
    std::string Adopt(const Package& source, const std::string& part, const std::string& xml, StyleMapper& styles);

    // Source cache definition part -> the cacheId its copy gets.
    const std::map<std::string, std::uint32_t>& Caches() const { return caches_; }

private:
    std::set<std::uint32_t> used_;
    std::map<std::string, std::uint32_t> caches_;
};

inline constexpr const char* kCtPivotCache =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml";

// Where a copied pivot cache's source range goes.
struct CacheSource {
    std::string fromName, toName;  // the copied sheet in the source and in the copy
    std::vector<std::string> ownTables;  // the copied sheet's tables (they come along)
    std::string origin;  // the source's file for a copy into another workbook, else "" (left as written)
    std::vector<std::pair<std::string, std::string>> earlier;  // the source's sheets copied earlier (old, new)
};
CacheSource CacheSourceOf(const Package& source, const std::string& sheetPart, const Package& target,
                          const SheetNames& names);

// A copied cache definition: a source range on the copied sheet names the copy, one on a sheet of the
// source copied earlier into a merge names that copy; in another workbook, one on another sheet of
// the source (or a table or name there) becomes a reference to the source's file (an external path
// relationship added to `extra`), as the spreadsheet program does; otherwise it stays as written.
std::string AdoptPivotCache(const std::string& xml, const std::string& part, const CacheSource& source,
                            std::vector<Relationship>& extra);

// A cache definition reading a table renamed by the copy reads it under its new name.
std::string RenameTableSource(const std::string& xml, const std::string& part,
                              const std::vector<std::pair<std::string, std::string>>& renames);

// Registers copied cache definitions (new part name, cacheId) in the target's workbook part.
void AddPivotCaches(Package& target, const std::vector<std::pair<std::string, std::uint32_t>>& caches);

}  // namespace zelmo::xlsx
