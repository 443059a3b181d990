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

// Registers copied cache definitions (new part name, cacheId) in the target's workbook part.
void AddPivotCaches(Package& target, const std::vector<std::pair<std::string, std::uint32_t>>& caches);

}  // namespace zelmo::xlsx
