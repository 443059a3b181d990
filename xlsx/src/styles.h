// The styles part: number formats, fonts, fills, borders, cell style records, cell formats, named
// cell styles, differential formats and the indexed colour palette, with look-ups that let a copy
// reuse an equal record instead of adding a duplicate.
#pragma once

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelmo::xlsx {

using Palette = std::array<std::uint32_t, 64>;
const Palette& DefaultPalette();

class Styles {
public:
    static std::unique_ptr<Styles> Parse(const std::string& xml, const std::string& partName);
    std::string Write();

    enum class List { Fonts, Fills, Borders, CellStyleXfs, CellXfs, Dxfs, Count };

    std::size_t Size(List list) const { return lists_[Index(list)].size(); }
    pugi::xml_node At(List list, std::size_t i) const { return lists_[Index(list)][i]; }
    // The index of a record equal to `node`, appended when new (`dedupe` false always appends).
    std::uint32_t Add(List list, const pugi::xml_node& node, bool dedupe = true);

    // Custom number format code of `id`, or nullptr for a built-in or unknown id.
    const std::string* NumFmtCode(std::uint32_t id) const;
    // The id of a custom number format with `code`, added (from 164 on) when new.
    std::uint32_t AddNumFmt(const std::string& code);

    // The name of the named cell style whose record is `xfId`, or nullptr.
    const pugi::xml_node* CellStyleFor(std::uint32_t xfId) const;
    // The record of the target's named style matching `cellStyle` (of another workbook): the same
    // built-in style (builtinId), or for custom styles the same name ignoring case; -1 when none.
    std::int64_t MatchingCellStyleXf(const pugi::xml_node& cellStyle) const;
    void AddCellStyle(const pugi::xml_node& cellStyle, std::uint32_t xfId);

    const Palette& palette() const { return palette_; }
    bool Changed() const { return changed_; }
    void MarkChanged() { changed_ = true; }

private:
    static std::size_t Index(List l) { return static_cast<std::size_t>(l); }
    pugi::xml_node Container(List list);
    pugi::xml_node EnsureContainer(const char* name);
    void BuildIndex(List list);

    pugi::xml_document doc_;
    std::array<std::vector<pugi::xml_node>, static_cast<std::size_t>(List::Count)> lists_;
    std::array<std::unordered_map<std::string, std::uint32_t>, static_cast<std::size_t>(List::Count)> index_;
    std::array<bool, static_cast<std::size_t>(List::Count)> indexed_{};
    std::map<std::uint32_t, std::string> numFmts_;
    std::vector<pugi::xml_node> cellStyles_;
    Palette palette_{};
    bool changed_ = false;
};

}  // namespace zelmo::xlsx
