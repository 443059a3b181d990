// Maps the style indices of one workbook's sheet onto another workbook's styles, adding the records
// the target lacks (and reusing equal ones). Indices are mapped on first use and remembered.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "styles.h"

namespace zelmo::xlsx {

class StyleMapper {
public:
    StyleMapper(const Styles& source, Styles& target);

    std::uint32_t CellXf(std::uint32_t sourceIndex);
    // Whether the source's cell format shows numbers as calendar dates.
    bool IsDateFormat(std::uint32_t sourceIndex);
    std::uint32_t Dxf(std::uint32_t sourceIndex);
    // Rewrites indexed colours below `node` as RGB when the two palettes differ; true if it did.
    bool FixColors(pugi::xml_node node) const;

private:
    std::uint32_t Map(Styles::List list, std::vector<std::int64_t>& cache, std::uint32_t index);
    std::uint32_t StyleXf(std::uint32_t sourceIndex);
    std::uint32_t NumFmt(std::uint32_t id);
    void RemapXf(pugi::xml_node xf);

    const Styles& source_;
    Styles& target_;
    bool convertColors_;
    std::vector<std::int64_t> fonts_, fills_, borders_, styleXfs_, xfs_, dxfs_;
    std::unordered_map<std::uint32_t, std::uint32_t> numFmts_;
    std::vector<std::int8_t> dates_;  // per source format: -1 unknown, 0 no, 1 date
};

}  // namespace zelmo::xlsx
