#include "source_link.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

#include "defined_names.h"
#include "formula_scan.h"
#include "sheet_xml.h"
#include "tables.h"
#include "workbook_refs.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr const char* kCtExternalLink = "application/vnd.openxmlformats-officedocument.spreadsheetml.externalLink+xml";
constexpr std::uint32_t kMaxRow = 1048576, kMaxColumn = 16384;

bool NamedIn(const std::vector<pugi::xml_node>& names, const std::string& what, bool table) {
    for (pugi::xml_node n : names) {
        std::string f = n.child_value();
        if (table ? RenameTableInFormula(f, what, what + "?") : FormulaRefersTo(f, what)) return true;
    }
    return false;
}

// The charts of the sheet's drawings (or of a chart sheet), all their text together.
std::string ChartsOf(const Package& source, const std::string& sheetPart) {
    std::string out;
    auto children = [&](const std::string& part, const char* type, const std::function<void(const std::string&)>& fn) {
        const std::string rels = RelsPartName(part);
        if (!source.parts().Has(rels)) return;
        const Relationships all = Relationships::Parse(source.parts().Read(rels), rels);
        for (const Relationship& r : all.All())
            if (!r.external && IsType(r.type, type))
                if (const std::string child = source.parts().FindName(ResolveTarget(part, r.target)); !child.empty()) fn(child);
    };
    children(sheetPart, "drawing", [&](const std::string& drawing) {
        children(drawing, "chart", [&](const std::string& chart) { out += source.parts().Read(chart); });
    });
    return out;
}

// A rectangle of cells, 1-based and inclusive.
struct Rect {
    std::uint32_t row1 = 1, col1 = 1, row2 = kMaxRow, col2 = kMaxColumn;
    bool Holds(std::uint32_t row, std::uint32_t col) const { return row >= row1 && row <= row2 && col >= col1 && col <= col2; }
};

// One end of a range: "$B$2", "B2", "B" (a column) or "2" (a row); 0 where a part is missing.
bool ParseEnd(std::string_view s, std::uint32_t& row, std::uint32_t& col) {
    std::size_t i = 0;
    row = col = 0;
    if (i < s.size() && s[i] == '$') ++i;
    const std::size_t letters = i;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])) && col <= kMaxColumn)
        col = col * 26 + static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(s[i++])) - 'A' + 1);
    if (i - letters > 3) return false;
    if (i < s.size() && s[i] == '$' && col) ++i;
    const std::size_t digits = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && row <= kMaxRow)
        row = row * 10 + static_cast<std::uint32_t>(s[i++] - '0');
    if (i - digits > 7) return false;
    return i == s.size() && (row || col) && row <= kMaxRow && col <= kMaxColumn;
}

// "$B$2:$B$10", "A1", "C:C", "2:3" as a rectangle; false for anything else (a name, say).
bool ParseRange(std::string_view text, Rect& out) {
    const std::size_t colon = text.find(':');
    std::uint32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!ParseEnd(text.substr(0, colon), r1, c1)) return false;
    if (colon == std::string_view::npos) {
        if (!r1 || !c1) return false;
        r2 = r1;
        c2 = c1;
    } else if (!ParseEnd(text.substr(colon + 1), r2, c2) || (r1 == 0) != (r2 == 0) || (c1 == 0) != (c2 == 0)) {
        return false;
    }
    out.row1 = r1 ? std::min(r1, r2) : 1;
    out.row2 = r1 ? std::max(r1, r2) : kMaxRow;
    out.col1 = c1 ? std::min(c1, c2) : 1;
    out.col2 = c1 ? std::max(c1, c2) : kMaxColumn;
    return true;
}

// The range that starts at f[at] ("$B$2:$B$10", "A1"), as written.
std::string RangeAt(const std::string& f, std::size_t at) {
    std::size_t end = at;
    while (end < f.size() && (std::isalnum(static_cast<unsigned char>(f[end])) || f[end] == '$' || f[end] == ':')) ++end;
    return f.substr(at, end - at);
}

// Notes the ranges that follow every "[n]Sheet!" of the formula.
void NoteCells(const std::string& f, const SourceLink& link) {
    for (const std::string& sheet : link.sheets) {
        const std::string prefix = ExternalSheetPrefix(link.number, sheet);
        for (std::size_t at = f.find(prefix); at != std::string::npos; at = f.find(prefix, at + 1)) {
            const std::string range = RangeAt(f, at + prefix.size());
            Rect r;
            if (ParseRange(range, r)) link.cells[sheet].insert(range);
        }
    }
}

// Notes the ranges that every linked 3-D reference ("[n]A:C!B2", "'[n]A b:C'!B2") reads, on each
// sheet from its first to its last in the source's order: the link part caches them like the
// ranges of plain references, so that a reader that does not update links sums the same values.
void NoteThreeDCells(const std::string& f, const SourceLink& link) {
    const std::string book = "[" + std::to_string(link.number) + "]";
    auto position = [&](const std::string& name) {
        const auto it = std::find_if(link.allSheets.begin(), link.allSheets.end(),
                                     [&](const std::string& s) { return SheetNamesEqual(s, name); });
        return static_cast<std::size_t>(it - link.allSheets.begin());
    };
    for (std::size_t at = f.find(book); at != std::string::npos; at = f.find(book, at + 1)) {
        std::string token;
        std::size_t end = std::string::npos;
        if (at > 0 && f[at - 1] == '\'') {
            if (!ReadQuotedSheet(f, at - 1, token, end) || token.rfind(book, 0) != 0) continue;
            token.erase(0, book.size());
        } else {
            std::size_t j = at + book.size();
            while (j < f.size() && (SheetNameChar(f[j]) || f[j] == ':')) ++j;
            if (j >= f.size() || f[j] != '!') continue;
            token = f.substr(at + book.size(), j - at - book.size());
            end = j + 1;
        }
        const std::size_t colon = token.find(':');
        if (colon == std::string::npos) continue;
        std::size_t first = position(token.substr(0, colon)), last = position(token.substr(colon + 1));
        if (first >= link.allSheets.size() || last >= link.allSheets.size()) continue;
        if (first > last) std::swap(first, last);
        const std::string range = RangeAt(f, end);
        if (Rect r; !ParseRange(range, r)) continue;
        for (std::size_t i = first; i <= last; ++i) link.cells[link.allSheets[i]].insert(range);
    }
}

bool IsSourceSheet(const SourceLink& link, const std::string& name) {
    return std::any_of(link.allSheets.begin(), link.allSheets.end(), [&](const std::string& s) { return SheetNamesEqual(s, name); });
}

// Turns 3-D references ("Sheet1:Sheet3!", "'Jan 1:Mar 3'!") between sheets of the source into links.
bool LinkThreeD(std::string& f, const SourceLink& link) {
    auto namesFrom = [](const std::string& text, std::size_t i) {
        const bool starts = (i == 0 || (!SheetNameChar(text[i - 1]) && text[i - 1] != ']')) && SheetNameChar(text[i]);
        return starts ? i : std::string::npos;
    };
    return RewriteSheetPrefixes(f, namesFrom, [&](const std::string& token, std::string& replacement) {
        const std::size_t colon = token.find(':');
        if (colon == std::string::npos || token[0] == '[' || !IsSourceSheet(link, token.substr(0, colon)) ||
            !IsSourceSheet(link, token.substr(colon + 1)))
            return false;
        replacement =
            ThreeDPrefix("[" + std::to_string(link.number) + "]", token.substr(0, colon), token.substr(colon + 1));
        return true;
    });
}

// The text of a shared-string item (<si>): its runs without the phonetic ones.
std::string PlainText(std::string_view si) {
    pugi::xml_document doc;
    if (!doc.load_buffer(si.data(), si.size(), kParseOptions)) return {};
    std::string out;
    for (pugi::xpath_node t : doc.select_nodes("//*[local-name()='t'][not(ancestor::*[local-name()='rPh'])]"))
        out += t.node().child_value();
    return out;
}

// Cached values of the cells of one sheet inside `rects`, as <row><cell> elements of an external link.
void CachedCells(const Package& source, const SheetEntry& sheet, const std::vector<Rect>& rects, pugi::xml_node out) {
    const std::string xml = source.parts().Read(sheet.part);
    const std::string prefix = RootPrefix(xml);
    const SplitPart split = SplitAround(xml, prefix + "sheetData");
    if (!split.found || split.selfClosed) return;
    const std::string cName = prefix + "c", vName = prefix + "v", isName = prefix + "is";
    const SharedStrings& strings = source.sharedStrings();
    ForEachChunk(split.body, prefix + "row", 4u << 20, sheet.part, [&](pugi::xml_document& doc, std::string_view) {
        for (pugi::xml_node row = doc.first_child(); row; row = row.next_sibling()) {
            pugi::xml_node outRow;
            for (pugi::xml_node c = row.child(cName.c_str()); c; c = c.next_sibling(cName.c_str())) {
                std::uint32_t r = 0, col = 0;
                const char* ref = c.attribute("r").value();
                if (!ParseEnd(ref, r, col) || !r || !col) continue;
                if (std::none_of(rects.begin(), rects.end(), [&](const Rect& x) { return x.Holds(r, col); })) continue;
                const std::string type = c.attribute("t").value();
                std::string value = c.child(vName.c_str()).child_value();
                std::string kind;
                if (type == "s") {
                    std::uint32_t index = 0;
                    if (!ParseIndex(value.c_str(), index) || index >= strings.Size()) continue;
                    value = PlainText(strings.Item(index));
                    kind = "str";
                } else if (type == "inlineStr") {
                    value.clear();
                    for (pugi::xml_node t : c.child(isName.c_str()).children()) value += t.child_value();
                    if (value.empty()) value = c.child(isName.c_str()).text().get();
                    kind = "str";
                } else if (type == "str" || type == "b" || type == "e") {
                    kind = type;
                }
                if (value.empty() && kind != "str") continue;
                if (!outRow) {
                    outRow = out.append_child("row");
                    outRow.append_attribute("r") = r;
                }
                pugi::xml_node cell = outRow.append_child("cell");
                cell.append_attribute("r") = ref;
                if (!kind.empty()) cell.append_attribute("t") = kind.c_str();
                cell.append_child("v").text().set(value.c_str());
            }
        }
    });
}

}  // namespace

std::string FileUri(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::u8path(path), ec);
    if (ec) p = std::filesystem::u8path(path);
    const std::string s = p.u8string();
    return s.empty() || s[0] == '/' ? "file://" + s : "file:///" + s;
}

bool HasTables(const Package& source) {
    for (const std::string& part : source.parts().Names())
        if (source.types().TypeOf(part) == kCtTable) return true;
    return false;
}

SourceLink PlanSourceLink(const Package& source, const SheetEntry& copied, const std::string& formulas,
                          const std::vector<pugi::xml_node>& names, unsigned number,
                          const std::vector<std::string>& copiedHere) {
    SourceLink link;
    link.number = number;
    if (source.origin().empty()) return link;
    // Only the formulas and references of the sheet and its charts are searched, not its cell text.
    const std::string text = formulas + FormulaText(ChartsOf(source, copied.part));
    auto here = [&](const std::string& sheet) {
        return std::any_of(copiedHere.begin(), copiedHere.end(), [&](const std::string& s) { return SheetNamesEqual(s, sheet); });
    };
    const auto entries = source.SheetEntries();
    for (const SheetEntry& s : entries) {
        link.allSheets.push_back(s.name);
        if (s.name == copied.name || here(s.name)) continue;
        if (FormulaRefersTo(text, s.name) || NamedIn(names, s.name, false)) link.sheets.push_back(s.name);
    }
    std::string probe = text;
    for (pugi::xml_node n : names) probe += std::string("\n") + n.child_value();
    link.threeD = LinkThreeD(probe, link);
    // The tables of each sheet: the copied sheet's go with it, those of sheets copied here earlier
    // are there already; the others stay in the source. The sheets' relationships are read only
    // when the source has tables at all.
    const bool maybeTables = HasTables(source);
    for (const SheetEntry& s : entries) {
        if (!maybeTables) break;
        const std::string rels = RelsPartName(s.part);
        if (s.name == copied.name || here(s.name) || !source.parts().Has(rels)) continue;
        const Relationships all = Relationships::Parse(source.parts().Read(rels), rels);
        for (const Relationship& r : all.All()) {
            if (r.external || !IsType(r.type, "table")) continue;
            const std::string part = source.parts().FindName(ResolveTarget(s.part, r.target));
            if (part.empty()) continue;
            pugi::xml_document doc;
            ParseXml(doc, source.parts().Read(part), part);
            const std::string name = doc.document_element().attribute("displayName").value();
            std::string f = text;
            if (!name.empty() && (RenameTableInFormula(f, name, name + "?") || NamedIn(names, name, true))) {
                link.tables.push_back(name);
                link.tableSheets[name] = s.name;
            }
        }
    }
    return link;
}

bool PointAtSource(std::string& formula, const SourceLink& link) {
    bool changed = link.threeD && LinkThreeD(formula, link);
    for (const std::string& sheet : link.sheets)
        if (FormulaRefersTo(formula, sheet)) {
            formula = ReplaceSheetReferences(formula, sheet, ExternalSheetPrefix(link.number, sheet));
            changed = true;
        }
    for (const std::string& table : link.tables)
        changed |= RenameTableInFormula(formula, table, "[" + std::to_string(link.number) + "]!" + table);
    if (changed) {
        NoteCells(formula, link);
        if (link.threeD) NoteThreeDCells(formula, link);
    }
    return changed;
}

std::string SourceLinkXml(const Package& source, const LinkedCells& cells) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("externalLink");
    root.append_attribute("xmlns") = kNsMain;
    pugi::xml_node book = root.append_child("externalBook");
    book.append_attribute("xmlns:r") = kNsRel;
    book.append_attribute("r:id") = "rId1";
    pugi::xml_node sheetNames = book.append_child("sheetNames");
    const auto entries = source.SheetEntries();
    for (const SheetEntry& s : entries) sheetNames.append_child("sheetName").append_attribute("val") = s.name.c_str();
    pugi::xml_node dataSet = book.append_child("sheetDataSet");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        pugi::xml_node data = dataSet.append_child("sheetData");
        data.append_attribute("sheetId") = static_cast<unsigned long long>(i);
        const auto it = cells.find(entries[i].name);
        if (it == cells.end() || entries[i].kind != SheetKind::Worksheet) continue;
        std::vector<Rect> rects;
        for (const std::string& range : it->second)
            if (Rect r; ParseRange(range, r)) rects.push_back(r);
        // Many ranges are read as the one rectangle around them: a few more cached cells, no
        // quadratic look-up.
        if (rects.size() > 256) {
            Rect all{kMaxRow, kMaxColumn, 1, 1};
            for (const Rect& r : rects) {
                all.row1 = std::min(all.row1, r.row1);
                all.col1 = std::min(all.col1, r.col1);
                all.row2 = std::max(all.row2, r.row2);
                all.col2 = std::max(all.col2, r.col2);
            }
            rects.assign(1, all);
        }
        CachedCells(source, entries[i], rects, data);
    }
    return WriteXml(doc);
}

std::string AddSourceLink(Package& target, const Package& source, const SourceLink& link) {
    if (!link.Needed()) return {};
    if (!link.part.empty()) {
        target.parts().Write(link.part, link.xml);
        return link.part;
    }
    const std::string part = target.FreePartName("xl/externalLinks", "externalLink", "xml");
    Relationships rels;
    rels.Add(std::string(kRelBase) + "externalLinkPath", FileUri(source.origin()), true);
    target.parts().Write(part, link.xml);
    target.parts().Write(RelsPartName(part), rels.Write());
    target.types().SetOverride(part, kCtExternalLink);
    AddExternalLinks(target, {part});
    return part;
}

}  // namespace zelmo::xlsx
