#include "style_mapper.h"

#include <cstdio>

#include "xml_util.h"

namespace zelmo::xlsx {

StyleMapper::StyleMapper(const Styles& source, Styles& target)
    : source_(source),
      target_(target),
      convertColors_(source.palette() != target.palette()),
      fonts_(source.Size(Styles::List::Fonts), -1),
      fills_(source.Size(Styles::List::Fills), -1),
      borders_(source.Size(Styles::List::Borders), -1),
      styleXfs_(source.Size(Styles::List::CellStyleXfs), -1),
      xfs_(source.Size(Styles::List::CellXfs), -1),
      dxfs_(source.Size(Styles::List::Dxfs), -1) {}

bool StyleMapper::FixColors(pugi::xml_node node) const {
    if (!convertColors_) return false;
    bool fixed = false;
    auto fix = [&](pugi::xml_node n) {
        if (n.type() != pugi::node_element) return true;
        pugi::xml_attribute indexed = n.attribute("indexed");
        std::uint32_t i = 0;
        // 64 and 65 are the system foreground and background, not palette entries.
        if (indexed && ParseIndex(indexed.value(), i) && i < 64) {
            char rgb[9];
            std::snprintf(rgb, sizeof rgb, "FF%06X", static_cast<unsigned>(source_.palette()[i]));
            n.remove_attribute(indexed);
            n.append_attribute("rgb") = rgb;
            fixed = true;
        }
        return true;
    };
    fix(node);
    ForEachDescendant(node, fix);
    return fixed;
}

std::uint32_t StyleMapper::Map(Styles::List list, std::vector<std::int64_t>& cache, std::uint32_t index) {
    if (index >= cache.size()) return 0;  // a dangling index means the default record, as readers treat it
    if (cache[index] >= 0) return static_cast<std::uint32_t>(cache[index]);
    pugi::xml_document tmp;
    pugi::xml_node copy = tmp.append_copy(source_.At(list, index));
    FixColors(copy);
    const std::uint32_t mapped = target_.Add(list, copy);
    cache[index] = mapped;
    return mapped;
}

std::uint32_t StyleMapper::NumFmt(std::uint32_t id) {
    if (id < 164 && !source_.NumFmtCode(id)) return id;  // built-in formats are the same everywhere
    auto it = numFmts_.find(id);
    if (it != numFmts_.end()) return it->second;
    const std::string* code = source_.NumFmtCode(id);
    const std::uint32_t mapped = code ? target_.AddNumFmt(*code) : 0;
    numFmts_.emplace(id, mapped);
    return mapped;
}

void StyleMapper::RemapXf(pugi::xml_node xf) {
    std::uint32_t v = 0;
    if (pugi::xml_attribute a = xf.attribute("numFmtId"); a && ParseIndex(a.value(), v)) a.set_value(NumFmt(v));
    if (pugi::xml_attribute a = xf.attribute("fontId"); a && ParseIndex(a.value(), v))
        a.set_value(Map(Styles::List::Fonts, fonts_, v));
    if (pugi::xml_attribute a = xf.attribute("fillId"); a && ParseIndex(a.value(), v))
        a.set_value(Map(Styles::List::Fills, fills_, v));
    if (pugi::xml_attribute a = xf.attribute("borderId"); a && ParseIndex(a.value(), v))
        a.set_value(Map(Styles::List::Borders, borders_, v));
}

std::uint32_t StyleMapper::StyleXf(std::uint32_t index) {
    if (index >= styleXfs_.size()) return 0;
    if (styleXfs_[index] >= 0) return static_cast<std::uint32_t>(styleXfs_[index]);
    std::uint32_t mapped = 0;
    const pugi::xml_node* named = source_.CellStyleFor(index);
    const std::int64_t existing = named ? target_.MatchingCellStyleXf(*named) : -1;
    if (existing >= 0) {
        // A named style the target already has keeps the target's definition, as the spreadsheet
        // program does; the cells' own formats still carry their look.
        mapped = static_cast<std::uint32_t>(existing);
    } else {
        pugi::xml_document tmp;
        pugi::xml_node copy = tmp.append_copy(source_.At(Styles::List::CellStyleXfs, index));
        RemapXf(copy);
        FixColors(copy);
        mapped = target_.Add(Styles::List::CellStyleXfs, copy, named == nullptr);
        if (named) target_.AddCellStyle(*named, mapped);
    }
    styleXfs_[index] = mapped;
    return mapped;
}

std::uint32_t StyleMapper::CellXf(std::uint32_t index) {
    if (index >= xfs_.size()) return 0;
    if (xfs_[index] >= 0) return static_cast<std::uint32_t>(xfs_[index]);
    pugi::xml_document tmp;
    pugi::xml_node copy = tmp.append_copy(source_.At(Styles::List::CellXfs, index));
    RemapXf(copy);
    std::uint32_t v = 0;
    if (pugi::xml_attribute a = copy.attribute("xfId"); a && ParseIndex(a.value(), v)) a.set_value(StyleXf(v));
    const std::uint32_t mapped = target_.Add(Styles::List::CellXfs, copy);
    xfs_[index] = mapped;
    return mapped;
}

namespace {

// Built-in number formats that show a calendar date (times of day and durations are left out:
// they mean the same in both date systems).
bool BuiltInDate(std::uint32_t id) {
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
           (id >= 50 && id <= 58);
}

// A custom format shows a calendar date when, outside quoted text, escapes and [colour]/[condition]/
// [$-locale]/[h] sections, it has a year, day or era code (y, d, g; "General" is no era).
bool CustomDate(const std::string& code) {
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char ch = code[i];
        if (ch == '"') {
            const std::size_t close = code.find('"', i + 1);
            if (close == std::string::npos) return false;
            i = close;
        } else if (ch == '\\' || ch == '_' || ch == '*') {
            ++i;
        } else if (ch == '[') {
            const std::size_t close = code.find(']', i);
            if (close == std::string::npos) return false;
            i = close;
        } else if ((ch == 'G' || ch == 'g') && code.size() - i >= 7 &&
                   (code.compare(i, 7, "General") == 0 || code.compare(i, 7, "general") == 0)) {
            i += 6;
        } else if (ch == 'y' || ch == 'Y' || ch == 'd' || ch == 'D' || ch == 'g' || ch == 'G') {
            return true;
        }
    }
    return false;
}

}  // namespace

bool StyleMapper::IsDateFormat(std::uint32_t index) {
    if (dates_.empty()) dates_.assign(source_.Size(Styles::List::CellXfs), -1);
    if (index >= dates_.size()) return false;
    if (dates_[index] < 0) {
        std::uint32_t id = 0;
        ParseIndex(source_.At(Styles::List::CellXfs, index).attribute("numFmtId").value(), id);
        const std::string* code = source_.NumFmtCode(id);
        dates_[index] = static_cast<std::int8_t>(code ? (*code != "General" && CustomDate(*code)) : BuiltInDate(id));
    }
    return dates_[index] == 1;
}

std::uint32_t StyleMapper::Dxf(std::uint32_t index) { return Map(Styles::List::Dxfs, dxfs_, index); }

}  // namespace zelmo::xlsx
