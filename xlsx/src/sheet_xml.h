// Rewrites a sheet part for another workbook: style and shared-string indices remapped, references
// to related parts that are not carried removed, selection state cleared. The cell data is handled
// in bounded pieces; the rest of the sheet is edited as one small document.
#pragma once

#include <cstdint>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "style_mapper.h"

namespace zelmo::xlsx {

struct SheetRewrite {
    StyleMapper* styles = nullptr;
    // Maps a shared-string index of the source to the target's.
    std::function<std::uint32_t(std::uint32_t)> sharedString;
    // Whether the relationship id of the sheet's part is carried into the copy.
    std::function<bool(const std::string&)> keepRelationship;
    // Rewrites one formula in place (tables renamed, external links renumbered); true when it changed
    // it. Left empty when no formula needs a change, so that cells are not looked at for it.
    std::function<bool(std::string&)> formula;
    // Rewrites one hyperlink element (its location naming a sheet); true when it changed it.
    std::function<bool(pugi::xml_node)> hyperlink;
    // The sheet's name in the source and in the copy, and whether a sheet of that name is (or may
    // still come) in the target: sparklines showing data of a sheet the target lacks are left out.
    std::string fromName, toName;
    std::function<bool(const std::string&)> sheetInTarget;
    // Cells keep their cell metadata (`cm`): the target has the source's metadata.
    bool keepCellMetadata = false;
    // The sheet's slicers come along: its slicer list stays.
    bool keepSlicerList = false;
    // Features the copy leaves out are appended here (names such as "ext:slicerList").
    std::vector<std::string>* notCarried = nullptr;
    // Clear tabSelected so that the target keeps a single selected sheet.
    bool clearSelection = true;
    // Days added to numbers shown as calendar dates: +1462 from the 1904 to the 1900 date system, -1462 back.
    double dateShift = 0;
    // Set when the rewrite changed anything; when it did not, the source part can be copied as it is.
    bool changed = false;
};

std::string RewriteSheetXml(std::string_view xml, const std::string& partName, SheetRewrite& rewrite);

// Sets or clears tabSelected on the first sheet view without touching the cell data.
std::string SetTabSelected(std::string_view xml, const std::string& partName, bool selected);

// The prefix ("x:") of the document element of a part, read from its start tag.
std::string RootPrefix(std::string_view xml);

}  // namespace zelmo::xlsx
