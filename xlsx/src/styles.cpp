#include "styles.h"

#include <cstdio>
#include <cstring>

#include "xlsx/workbook.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

// Container element and record element of each list, in List order.
constexpr const char* kContainers[] = {"fonts", "fills", "borders", "cellStyleXfs", "cellXfs", "dxfs"};
constexpr const char* kRecords[] = {"font", "fill", "border", "xf", "xf", "dxf"};
// Schema order of the styles part's children, for inserting a missing container.
constexpr const char* kOrder[] = {"numFmts", "fonts", "fills", "borders", "cellStyleXfs", "cellXfs",
                                  "cellStyles", "dxfs", "tableStyles", "colors", "extLst"};

std::string Key(const pugi::xml_node& node) {
    std::string s;
    AppendNode(s, node);
    return s;
}

std::uint32_t ParseRgb(const char* text) {
    std::uint32_t v = 0;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        std::uint32_t d = 0;
        if (c >= '0' && c <= '9') d = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') d = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') d = static_cast<std::uint32_t>(c - 'A' + 10);
        else return 0;
        v = (v << 4) | d;
    }
    return v & 0xFFFFFFu;
}

}  // namespace

const Palette& DefaultPalette() {
    static const Palette kPalette = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
        0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
        0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
        0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
        0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
    };
    return kPalette;
}

std::unique_ptr<Styles> Styles::Parse(const std::string& xml, const std::string& partName) {
    auto s = std::make_unique<Styles>();
    ParseXml(s->doc_, xml, partName);
    pugi::xml_node root = s->doc_.document_element();
    const std::string prefix = ElementPrefix(root);
    if (!prefix.empty()) {
        // Records move between workbooks: keep them all in the default namespace.
        StripPrefix(root, prefix);
        if (!root.attribute("xmlns")) root.prepend_attribute("xmlns") = kNsMain;
    }
    for (std::size_t l = 0; l < static_cast<std::size_t>(List::Count); ++l) {
        pugi::xml_node c = root.child(kContainers[l]);
        for (pugi::xml_node r = c.child(kRecords[l]); r; r = r.next_sibling(kRecords[l])) s->lists_[l].push_back(r);
    }
    for (pugi::xml_node n = root.child("numFmts").child("numFmt"); n; n = n.next_sibling("numFmt")) {
        std::uint32_t id = 0;
        if (ParseIndex(n.attribute("numFmtId").value(), id)) s->numFmts_[id] = n.attribute("formatCode").value();
    }
    for (pugi::xml_node n = root.child("cellStyles").child("cellStyle"); n; n = n.next_sibling("cellStyle"))
        s->cellStyles_.push_back(n);
    s->palette_ = DefaultPalette();
    std::size_t i = 0;
    for (pugi::xml_node c = root.child("colors").child("indexedColors").child("rgbColor"); c && i < 64;
         c = c.next_sibling("rgbColor"), ++i)
        s->palette_[i] = ParseRgb(c.attribute("rgb").value());
    return s;
}

pugi::xml_node Styles::EnsureContainer(const char* name) {
    pugi::xml_node root = doc_.document_element();
    pugi::xml_node c = root.child(name);
    if (c) return c;
    bool after = false;
    for (const char* n : kOrder) {
        if (std::strcmp(n, name) == 0) {
            after = true;
            continue;
        }
        if (after) {
            if (pugi::xml_node next = root.child(n)) return root.insert_child_before(name, next);
        }
    }
    return root.append_child(name);
}

pugi::xml_node Styles::Container(List list) { return EnsureContainer(kContainers[Index(list)]); }

void Styles::BuildIndex(List list) {
    auto& idx = index_[Index(list)];
    const auto& items = lists_[Index(list)];
    for (std::size_t i = 0; i < items.size(); ++i) idx.emplace(Key(items[i]), static_cast<std::uint32_t>(i));
    indexed_[Index(list)] = true;
}

std::uint32_t Styles::Add(List list, const pugi::xml_node& node, bool dedupe) {
    const std::size_t l = Index(list);
    if (!indexed_[l]) BuildIndex(list);
    std::string key = Key(node);
    if (dedupe) {
        auto it = index_[l].find(key);
        if (it != index_[l].end()) return it->second;
    }
    pugi::xml_node added = Container(list).append_copy(node);
    lists_[l].push_back(added);
    const auto i = static_cast<std::uint32_t>(lists_[l].size() - 1);
    index_[l].emplace(std::move(key), i);
    changed_ = true;
    return i;
}

const std::string* Styles::NumFmtCode(std::uint32_t id) const {
    auto it = numFmts_.find(id);
    return it == numFmts_.end() ? nullptr : &it->second;
}

std::uint32_t Styles::AddNumFmt(const std::string& code) {
    std::uint64_t next = 164;
    for (const auto& kv : numFmts_) {
        if (kv.second == code) return kv.first;
        if (kv.first >= next) next = std::uint64_t{kv.first} + 1;
    }
    // A hostile part may use the largest id: the first free one from 164 is taken then.
    if (next > 0xFFFFFFFFu)
        for (next = 164; numFmts_.count(static_cast<std::uint32_t>(next)); ++next) {
        }
    const auto id = static_cast<std::uint32_t>(next);
    pugi::xml_node n = EnsureContainer("numFmts").append_child("numFmt");
    n.append_attribute("numFmtId") = id;
    n.append_attribute("formatCode") = code.c_str();
    numFmts_[id] = code;
    changed_ = true;
    return id;
}

const pugi::xml_node* Styles::CellStyleFor(std::uint32_t xfId) const {
    for (const auto& n : cellStyles_) {
        std::uint32_t id = 0;
        if (ParseIndex(n.attribute("xfId").value(), id) && id == xfId) return &n;
    }
    return nullptr;
}

std::int64_t Styles::MatchingCellStyleXf(const pugi::xml_node& cellStyle) const {
    const pugi::xml_attribute builtin = cellStyle.attribute("builtinId");
    for (const auto& n : cellStyles_) {
        std::uint32_t id = 0;
        if (!ParseIndex(n.attribute("xfId").value(), id)) continue;
        const bool same = builtin ? (n.attribute("builtinId") && n.attribute("builtinId").as_uint() == builtin.as_uint() &&
                                     n.attribute("iLevel").as_uint() == cellStyle.attribute("iLevel").as_uint())
                                  : SheetNamesEqual(n.attribute("name").value(), cellStyle.attribute("name").value());
        if (same) return id;
    }
    return -1;
}

void Styles::AddCellStyle(const pugi::xml_node& cellStyle, std::uint32_t xfId) {
    pugi::xml_node n = EnsureContainer("cellStyles").append_copy(cellStyle);
    n.attribute("xfId").set_value(xfId);
    cellStyles_.push_back(n);
    changed_ = true;
}

std::string Styles::Write() {
    pugi::xml_node root = doc_.document_element();
    for (std::size_t l = 0; l < static_cast<std::size_t>(List::Count); ++l) {
        pugi::xml_node c = root.child(kContainers[l]);
        if (!c) continue;
        pugi::xml_attribute count = c.attribute("count");
        if (!count) count = c.prepend_attribute("count");
        count.set_value(static_cast<unsigned long long>(lists_[l].size()));
    }
    for (const char* name : {"numFmts", "cellStyles"}) {
        pugi::xml_node c = root.child(name);
        if (!c) continue;
        std::size_t n = 0;
        for (pugi::xml_node r = c.first_child(); r; r = r.next_sibling()) n += r.type() == pugi::node_element;
        pugi::xml_attribute count = c.attribute("count");
        if (!count) count = c.prepend_attribute("count");
        count.set_value(static_cast<unsigned long long>(n));
    }
    return WriteXml(doc_);
}

}  // namespace zelmo::xlsx
