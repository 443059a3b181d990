// Slicers of a copied sheet that filter its own pivot tables: the slicer parts, their caches
// (workbook-level parts listed in the workbook's extensions, each also a defined name) and their
// frames in the drawing go along, renamed where the target has the names. Slicers of tables, of
// pivot tables on other sheets, and timelines stay behind (reported), with their frames.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "package.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtSlicer = "application/vnd.ms-excel.slicer+xml";
inline constexpr const char* kCtSlicerCache = "application/vnd.ms-excel.slicerCache+xml";

class SlicerPlan {
public:
    // Decides whether the sheet's slicers can go along; reads the target's slicer and cache names.
    SlicerPlan(const Package& source, const SheetEntry& sheet, const Package& target, std::uint32_t newSheetId);
    bool Carried() const { return carried_; }
    // The source's cache parts the copy's slicers use.
    const std::vector<std::string>& CacheParts() const { return cacheParts_; }

    std::string AdoptSlicers(const std::string& xml, const std::string& part);
    std::string AdoptCache(const std::string& xml, const std::string& part);
    // Slicer frames of a copied drawing follow renamed slicers.
    std::string AdoptDrawing(const std::string& xml, const std::string& part) const;
    // The defined names the copied caches need (new cache names).
    const std::vector<std::string>& CacheNames() const { return newCacheNames_; }

private:
    std::string Unique(const std::string& wanted, std::vector<std::string>& taken);

    bool carried_ = false;
    std::uint32_t newSheetId_;
    std::vector<std::string> cacheParts_;
    std::vector<std::string> slicerNames_, cacheNames_;  // taken in the target
    std::map<std::string, std::string> slicerRenames_, cacheRenames_;
    std::vector<std::string> newCacheNames_;
};

// Lists copied slicer caches (new part names) in the target's workbook part, with their names.
void AddSlicerCaches(Package& target, const std::vector<std::string>& parts, const std::vector<std::string>& names);

}  // namespace zelmo::xlsx
