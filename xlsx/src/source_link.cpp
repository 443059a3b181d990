#include "source_link.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "defined_names.h"
#include "tables.h"
#include "workbook_refs.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr const char* kCtExternalLink = "application/vnd.openxmlformats-officedocument.spreadsheetml.externalLink+xml";

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

}  // namespace

std::string FileUri(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::u8path(path), ec);
    if (ec) p = std::filesystem::u8path(path);
    const std::string s = p.u8string();
    return s.empty() || s[0] == '/' ? "file://" + s : "file:///" + s;
}

SourceLink PlanSourceLink(const Package& source, const SheetEntry& copied, std::string_view sheetXml,
                          const std::vector<pugi::xml_node>& names, unsigned number) {
    SourceLink link;
    link.number = number;
    if (source.origin().empty()) return link;
    const std::string charts = ChartsOf(source, copied.part);
    for (const SheetEntry& s : source.SheetEntries()) {
        if (s.name == copied.name) continue;
        const std::string ref = QuoteSheetName(s.name) + "!";
        if (sheetXml.find(ref) != std::string_view::npos || charts.find(ref) != std::string::npos ||
            NamedIn(names, s.name, false))
            link.sheets.push_back(s.name);
    }
    // The copied sheet's own tables go with it; the others stay in the source.
    std::vector<std::string> own;
    const std::string rels = RelsPartName(copied.part);
    if (source.parts().Has(rels)) {
        const Relationships all = Relationships::Parse(source.parts().Read(rels), rels);
        for (const Relationship& r : all.All())
            if (!r.external && IsType(r.type, "table")) own.push_back(source.parts().FindName(ResolveTarget(copied.part, r.target)));
    }
    for (const std::string& part : source.parts().Names()) {
        if (source.types().TypeOf(part) != kCtTable || std::find(own.begin(), own.end(), part) != own.end()) continue;
        pugi::xml_document doc;
        ParseXml(doc, source.parts().Read(part), part);
        const std::string name = doc.document_element().attribute("displayName").value();
        if (!name.empty() && (sheetXml.find(name) != std::string_view::npos || NamedIn(names, name, true)))
            link.tables.push_back(name);
    }
    return link;
}

bool PointAtSource(std::string& formula, const SourceLink& link) {
    bool changed = false;
    for (const std::string& sheet : link.sheets)
        if (FormulaRefersTo(formula, sheet)) {
            formula = ReplaceSheetReferences(formula, sheet, ExternalSheetPrefix(link.number, sheet));
            changed = true;
        }
    for (const std::string& table : link.tables)
        changed |= RenameTableInFormula(formula, table, "[" + std::to_string(link.number) + "]!" + table);
    return changed;
}

void AddSourceLink(Package& target, const Package& source, const SourceLink& link) {
    if (!link.Needed()) return;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("externalLink");
    root.append_attribute("xmlns") = kNsMain;
    pugi::xml_node book = root.append_child("externalBook");
    book.append_attribute("xmlns:r") = kNsRel;
    book.append_attribute("r:id") = "rId1";
    pugi::xml_node sheetNames = book.append_child("sheetNames");
    for (const SheetEntry& s : source.SheetEntries()) sheetNames.append_child("sheetName").append_attribute("val") = s.name.c_str();

    const std::string part = target.FreePartName("xl/externalLinks", "externalLink", "xml");
    Relationships rels;
    rels.Add(std::string(kRelBase) + "externalLinkPath", FileUri(source.origin()), true);
    target.parts().Write(part, WriteXml(doc));
    target.parts().Write(RelsPartName(part), rels.Write());
    target.types().SetOverride(part, kCtExternalLink);
    AddExternalLinks(target, {part});
}

}  // namespace zelmo::xlsx
