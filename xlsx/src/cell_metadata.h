// Cell metadata (`cm` on cells: dynamic-array formulas) points into the workbook's metadata part.
// A copy keeps it when the target can take the source's metadata as it is: the target has none yet
// (the source's part is copied), or an equal one. Value metadata (`vm`: rich values such as pictures
// in cells) needs parts the engine does not carry and is left out.
#pragma once

#include <string>

#include "package.h"

namespace zelmo::xlsx {

struct MetadataUpdate {
    bool keep = false;  // the copy's cells keep their `cm`
    std::string part, xml;  // a metadata part to add to the target ("" when none)
};

MetadataUpdate PlanCellMetadata(const Package& source, const Package& target);
void ApplyCellMetadata(Package& target, MetadataUpdate update);

}  // namespace zelmo::xlsx
