// Links to the source files of copies, pointed at the copies that came into the same workbook.
#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <unordered_map>

#include "xlsx/workbook.h"

#include "defined_names.h"
#include "formula_scan.h"
#include "package.h"
#include "source_link.h"
#include "tables.h"
#include "workbook_refs.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

// Hyperlinks of a copied sheet that open a sheet of their source file (relationship ids made by the
// copy) open that sheet's copy here instead, when there is one: the relationship goes and the
// location names the copy. `copyOf` maps a source file (as a link target) to its copied sheets.
void ResolveHyperlinks(Package& p, const std::string& part,
                       const std::map<std::string, std::vector<std::pair<std::string, std::string>>>& copyOf) {
    const std::string relsName = RelsPartName(part);
    if (!p.parts().Has(relsName)) return;
    Relationships rels = Relationships::Parse(p.parts().Read(relsName), relsName);
    std::map<std::string, const std::vector<std::pair<std::string, std::string>>*> ours;  // id -> copies
    for (const Relationship& r : rels.All())
        if (r.external && r.id.rfind(kSourceHyperlinkId, 0) == 0 && IsType(r.type, "hyperlink"))
            if (const auto it = copyOf.find(r.target); it != copyOf.end()) ours[r.id] = &it->second;
    if (ours.empty()) return;
    std::string xml = p.parts().Read(part);
    std::vector<std::string> resolved;
    for (const auto& [id, copies] : ours) {
        const std::string quotedId = "=\"" + id + "\"";
        const std::size_t at = xml.find(quotedId);
        if (at == std::string::npos) continue;
        const std::size_t open = xml.rfind('<', at), close = xml.find('>', at);
        if (open == std::string::npos || close == std::string::npos) continue;
        std::string tag = xml.substr(open, close - open);
        const std::size_t loc = tag.find(" location=\"");
        if (loc == std::string::npos) continue;
        const std::size_t valueEnd = tag.find('"', loc + 11);
        const std::string location = UnescapeXml(std::string_view(tag).substr(loc + 11, valueEnd - loc - 11));
        const std::string renamed = RenameSheetsInFormula(location, *copies);
        if (renamed == location) continue;  // the sheet it opens was not copied: the link stays
        tag.replace(loc + 11, valueEnd - loc - 11, EscapeXml(renamed, true));
        // The id attribute with its prefix and the space before it.
        const std::size_t idAt = tag.find(quotedId);
        std::size_t nameStart = tag.rfind(' ', idAt);
        tag.erase(nameStart, idAt + quotedId.size() - nameStart);
        xml.replace(open, close - open, tag);
        resolved.push_back(id);
    }
    if (resolved.empty()) return;
    for (const std::string& id : resolved) rels.Remove(id);
    p.parts().WriteDeflated(part, xml);
    if (rels.All().empty()) p.parts().Remove(relsName);
    else p.parts().Write(relsName, rels.Write());
}

// For one link to a source: the source's sheets in order, and each one's copy here (empty when it
// has none, or more than one, so that no reference is pointed at a copy it did not name).
struct ThreeDSheets {
    std::vector<std::string> sourceOrder;
    std::vector<std::string> copyName;  // parallel to sourceOrder
};

// The copies' names for the 3-D reference First:Last of a source, or false when the sheets from
// First to Last here are not exactly the copies of the source's sheets from First to Last, in order.
bool ThreeDCopies(const ThreeDSheets& link, const std::vector<std::string>& targetOrder, const std::string& first,
                  const std::string& last, std::string& firstCopy, std::string& lastCopy) {
    auto indexOf = [](const std::vector<std::string>& names, const std::string& name) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (SheetNamesEqual(names[i], name)) return i;
        return names.size();
    };
    const std::size_t a = indexOf(link.sourceOrder, first), b = indexOf(link.sourceOrder, last);
    if (a == link.sourceOrder.size() || b == link.sourceOrder.size()) return false;
    const std::size_t from = std::min(a, b), to = std::max(a, b);
    if (link.copyName[from].empty()) return false;
    const std::size_t start = indexOf(targetOrder, link.copyName[from]);
    for (std::size_t k = from; k <= to; ++k) {
        const std::size_t at = start + (k - from);
        if (link.copyName[k].empty() || at >= targetOrder.size() || targetOrder[at] != link.copyName[k]) return false;
    }
    firstCopy = link.copyName[a];
    lastCopy = link.copyName[b];
    return true;
}

// Points 3-D references of the links in `byNumber` ("[1]A:C!", "'[1]A b:C'!") at the copies.
bool ResolveThreeD(std::string& f, const std::map<unsigned, ThreeDSheets>& byNumber,
                   const std::vector<std::string>& targetOrder) {
    // Only prefixes of links: "[n]" where no name or reference ends.
    auto namesFrom = [](const std::string& text, std::size_t i) {
        if (text[i] != '[' || (i > 0 && (SheetNameChar(text[i - 1]) || text[i - 1] == ']' || text[i - 1] == '[')))
            return std::string::npos;
        std::size_t j = i + 1;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        return j == i + 1 || j >= text.size() || text[j] != ']' ? std::string::npos : j + 1;
    };
    return RewriteSheetPrefixes(f, namesFrom, [&](const std::string& token, std::string& replacement) {
        // token: "[n]First:Last"
        const std::size_t close = token.find(']'), colon = token.find(':');
        const bool numbered = token.size() > 2 && token[0] == '[' && close != std::string::npos && close > 1 &&
                              close < 10 && colon != std::string::npos && colon > close &&
                              std::all_of(token.begin() + 1, token.begin() + static_cast<std::ptrdiff_t>(close),
                                          [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) != 0; });
        if (!numbered) return false;
        const auto it = byNumber.find(static_cast<unsigned>(std::stoul(token.substr(1, close - 1))));
        std::string firstCopy, lastCopy;
        if (it == byNumber.end() ||
            !ThreeDCopies(it->second, targetOrder, token.substr(close + 1, colon - close - 1), token.substr(colon + 1),
                          firstCopy, lastCopy))
            return false;
        replacement = ThreeDPrefix("", firstCopy, lastCopy);
        return true;
    });
}

}  // namespace

void Workbook::ResolveLinksToCopies() {
    Package& p = *package_;
    if (sourceLinks_.empty() && copiedCaches_.empty()) return;
    std::unordered_map<std::uint32_t, std::string> present;  // the sheets by sheetId
    for (const auto& s : p.SheetEntries()) present.emplace(s.node.attribute("sheetId").as_uint(), s.name);
    // Pivot caches reading a sheet of their source file read that sheet's copy here instead, when it
    // was copied once: the source range names the copy and the relationship to the file goes.
    for (const auto& [part, source] : copiedCaches_) {
        const std::string relsName = RelsPartName(part);
        if (!p.parts().Has(part) || !p.parts().Has(relsName)) continue;
        Relationships rels = Relationships::Parse(p.parts().Read(relsName), relsName);
        const Relationship* file = nullptr;
        for (const Relationship& r : rels.All())
            if (r.external && IsType(r.type, "externalLinkPath")) file = &r;
        if (!file) continue;
        const std::string id = file->id;
        pugi::xml_document doc;
        ParseXml(doc, p.parts().Read(part), part);
        pugi::xml_node ws = doc.select_node("//*[local-name()='worksheetSource']").node();
        pugi::xml_attribute sheet = ws.attribute("sheet");
        pugi::xml_attribute idAttr;
        for (pugi::xml_attribute a = ws.first_attribute(); a; a = a.next_attribute())
            if (LocalName(a.name()) == "id" && id == a.value()) idAttr = a;
        if (!sheet || !idAttr) continue;
        std::string copy;
        int found = 0;
        for (const CopiedSheet& c : copies_)
            if (const auto it = present.find(c.sheetId); c.source == source && it != present.end() && SheetNamesEqual(c.from, sheet.value())) {
                copy = it->second;
                ++found;
            }
        if (found != 1) continue;  // not here, or which copy it means is unknown: it keeps reading the file
        sheet.set_value(copy.c_str());
        ws.remove_attribute(idAttr);
        rels.Remove(id);
        p.parts().Write(part, WriteXml(doc));
        if (rels.All().empty()) p.parts().Remove(relsName);
        else p.parts().Write(relsName, rels.Write());
    }
    if (sourceLinks_.empty()) return;
    const std::vector<std::string> links = LinkPartNames(p);

    // For each link to a source: its sheets and tables that have copies here, by those copies' names.
    std::vector<std::pair<std::string, std::string>> sheets;  // "[n]Sheet" -> the copy's name
    std::vector<std::pair<std::string, std::string>> tables;  // "[n]!Table" -> the copied table's name
    std::set<unsigned> ours;
    for (const LinkToSource& record : sourceLinks_) {
        const auto at = std::find(links.begin(), links.end(), record.part);
        if (at == links.end()) continue;
        const std::string number = "[" + std::to_string(at - links.begin() + 1) + "]";
        ours.insert(static_cast<unsigned>(at - links.begin() + 1));
        for (const CopiedSheet& c : copies_) {
            const auto it = present.find(c.sheetId);
            if (c.source != record.source || it == present.end()) continue;
            sheets.emplace_back(number + c.from, it->second);
            for (const auto& [table, sheet] : record.tableSheets) {
                if (sheet != c.from) continue;
                std::string renamed = table;
                for (const auto& r : c.tableRenames)
                    if (SheetNamesEqual(r.first, table)) renamed = r.second;
                tables.emplace_back(number + "!" + table, renamed);
            }
        }
    }
    // 3-D references: each link's source sheets in order (the link part lists them) and their
    // copies, read when a formula first looks like one.
    std::map<unsigned, ThreeDSheets> threeD;
    std::vector<std::string> targetOrder;
    bool threeDRead = false;
    auto readThreeD = [&] {
        threeDRead = true;
        for (const auto& s : p.SheetEntries()) targetOrder.push_back(s.name);
        for (const LinkToSource& record : sourceLinks_) {
            const auto at = std::find(links.begin(), links.end(), record.part);
            if (at == links.end() || !p.parts().Has(record.part)) continue;
            pugi::xml_document doc;
            ParseXml(doc, p.parts().Read(record.part), record.part);
            ThreeDSheets sheetsOf;
            for (pugi::xpath_node n : doc.select_nodes("//*[local-name()='sheetName']")) {
                const std::string name = n.node().attribute("val").value();
                std::string copy;
                int found = 0;
                for (const CopiedSheet& c : copies_)
                    if (const auto it = present.find(c.sheetId); c.source == record.source && it != present.end() && c.from == name) {
                        copy = it->second;
                        ++found;
                    }
                sheetsOf.sourceOrder.push_back(name);
                sheetsOf.copyName.push_back(found == 1 ? copy : std::string());
            }
            threeD.emplace(static_cast<unsigned>(at - links.begin() + 1), std::move(sheetsOf));
        }
    };
    // Hyperlinks opening a source's sheet in its file: by the file, that source's copies here.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> copyOf;
    for (const LinkToSource& record : sourceLinks_)
        for (const CopiedSheet& c : copies_)
            if (const auto it = present.find(c.sheetId); c.source == record.source && it != present.end())
                copyOf[record.uri].emplace_back(c.from, it->second);
    std::set<unsigned> used;
    auto resolve = [&](std::string& f) {
        bool changed = false;
        if (f.find('[') != std::string::npos && f.find(':') != std::string::npos) {
            if (!threeDRead) readThreeD();
            changed = ResolveThreeD(f, threeD, targetOrder);
        }
        if (!sheets.empty()) {
            std::string renamed = RenameSheetsInFormula(f, sheets);
            if (renamed != f) {
                f = std::move(renamed);
                changed = true;
            }
        }
        for (const auto& t : tables) changed |= RenameTableInFormula(f, t.first, t.second);
        NoteLinksUsed(f, used);
        return changed;
    };
    // Only the copies' parts can use the links made for them; the names are all looked at.
    std::vector<std::string> parts;
    for (const std::string& part : linkedParts_)
        if (p.parts().Has(part) && std::find(parts.begin(), parts.end(), part) == parts.end()) parts.push_back(part);
    for (const std::string& part : parts) {
        std::string xml = p.parts().Read(part);
        if (RewriteFormulaText(xml, resolve)) p.parts().WriteDeflated(part, xml);
        ResolveHyperlinks(p, part, copyOf);
    }
    pugi::xml_node names = p.DefinedNames(false);
    for (pugi::xml_node n = names.first_child(); n; n = n.next_sibling()) {
        std::string f = n.child_value();
        if (resolve(f)) n.text().set(f.c_str());
    }

    // Links to the sources that nothing uses any more go; the later links move up.
    std::map<unsigned, unsigned> renumber;
    std::vector<unsigned> gone;
    for (unsigned n = 1, next = 1; n <= links.size(); ++n) {
        if (ours.count(n) && !used.count(n)) gone.push_back(n);
        else renumber[n] = next++;
    }
    if (gone.empty()) return;
    bool shifted = false;
    for (const auto& [from, to] : renumber) shifted |= from != to && used.count(from);
    if (shifted) {
        auto shift = [&](std::string& f) { return RenumberExternalLinks(f, renumber); };
        for (const std::string& part : parts) {
            std::string xml = p.parts().Read(part);
            if (RewriteFormulaText(xml, shift)) p.parts().WriteDeflated(part, xml);
        }
        for (pugi::xml_node n = names.first_child(); n; n = n.next_sibling()) {
            std::string f = n.child_value();
            if (shift(f)) n.text().set(f.c_str());
        }
    }
    pugi::xml_node refs = p.ExternalReferences(false);
    std::vector<pugi::xml_node> entries;
    for (pugi::xml_node r = refs.first_child(); r; r = r.next_sibling())
        if (r.type() == pugi::node_element) entries.push_back(r);
    const std::string rid = p.relPrefix() + "id";
    for (unsigned n : gone) {
        const std::string& part = links[n - 1];
        p.workbookRels().Remove(entries[n - 1].attribute(rid.c_str()).value());
        refs.remove_child(entries[n - 1]);
        p.parts().Remove(part);
        if (p.parts().Has(RelsPartName(part))) p.parts().Remove(RelsPartName(part));
        p.types().RemoveOverride(part);
        sourceLinks_.erase(std::remove_if(sourceLinks_.begin(), sourceLinks_.end(),
                                          [&](const LinkToSource& r) { return r.part == part; }),
                           sourceLinks_.end());
    }
    if (!refs.first_child()) refs.parent().remove_child(refs);
    p.DropCalcChain();
}

}  // namespace zelmo::xlsx
