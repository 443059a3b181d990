#include "workbook_refs.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "defined_names.h"
#include "formula_scan.h"
#include "text/ascii_case.h"
#include "text/utf.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

using text::EqualAsciiNoCase;
using text::LowerAscii;

// Whether the text at `at` of a sheet part lies inside a formula element.
bool InFormula(std::string_view xml, std::size_t at) {
    const std::size_t open = xml.rfind('<', at);
    if (open == std::string_view::npos || open + 1 >= xml.size() || xml[open + 1] == '/') return false;
    std::size_t end = open + 1;
    while (end < xml.size() && xml[end] != '>' && xml[end] != ' ' && xml[end] != '/') ++end;
    std::string_view tag = xml.substr(open + 1, end - open - 1);
    if (const std::size_t colon = tag.find(':'); colon != std::string_view::npos) tag.remove_prefix(colon + 1);
    return tag == "f" || tag == "formula" || tag == "formula1" || tag == "formula2";
}

// Adds the names (lower case) that one formula mentions outside string literals.
void NamesInText(std::string_view text, std::unordered_set<std::string>& out) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '"') quoted = !quoted;
        if (quoted || !DefinedNameChar(text[i]) || (i > 0 && DefinedNameChar(text[i - 1]))) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && DefinedNameChar(text[j])) ++j;
        if (j == text.size() || text[j] != '(') out.insert(LowerAscii(text.substr(i, j - i)));  // not a function
        i = j;
    }
}

// The names (lower case) that the formulas of a sheet part mention, in one pass over the part: a
// workbook may define thousands of names, and the sheet may be large.
std::unordered_set<std::string> NamesInFormulas(std::string_view xml) {
    std::unordered_set<std::string> out;
    NamesInText(FormulaText(xml), out);
    return out;
}

bool FormulaTag(std::string_view tag) {
    if (const std::size_t colon = tag.find(':'); colon != std::string_view::npos) tag.remove_prefix(colon + 1);
    return tag == "f" || tag == "formula" || tag == "formula1" || tag == "formula2";
}

}  // namespace

std::string UnescapeXml(std::string_view s) {
    if (s.find('&') == std::string_view::npos) return std::string(s);
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos) {
            out += s.substr(i);
            break;
        }
        const std::string_view e = s.substr(i + 1, semi - i - 1);
        unsigned long code = 0;
        if (e == "amp") out += '&';
        else if (e == "lt") out += '<';
        else if (e == "gt") out += '>';
        else if (e == "quot") out += '"';
        else if (e == "apos") out += '\'';
        else if (!e.empty() && e[0] == '#') {
            code = e.size() > 1 && (e[1] == 'x' || e[1] == 'X') ? std::strtoul(std::string(e.substr(2)).c_str(), nullptr, 16)
                                                                 : std::strtoul(std::string(e.substr(1)).c_str(), nullptr, 10);
            text::AppendUtf8(out, code);
        } else {
            out += s.substr(i, semi - i + 1);
        }
        i = semi;
    }
    return out;
}

std::string EscapeXml(std::string_view s, bool attribute) {
    std::string out;
    for (char ch : s) {
        if (ch == '&') out += "&amp;";
        else if (ch == '<') out += "&lt;";
        else if (ch == '>') out += "&gt;";
        else if (ch == '"' && attribute) out += "&quot;";
        else out += ch;
    }
    return out;
}

namespace {

// Calls fn(begin, end, isAttribute) for the raw text of every formula element and hyperlink
// location of a part; fn may not change the part.
template <typename Fn>
void ForEachFormulaSpan(std::string_view xml, Fn fn) {
    for (std::size_t open = xml.find('<'); open != std::string_view::npos; open = xml.find('<', open + 1)) {
        if (open + 1 >= xml.size() || xml[open + 1] == '/' || xml[open + 1] == '?' || xml[open + 1] == '!') continue;
        std::size_t end = open + 1;
        while (end < xml.size() && xml[end] != '>' && xml[end] != ' ' && xml[end] != '/' && xml[end] != '\t' &&
               xml[end] != '\n' && xml[end] != '\r')
            ++end;
        const std::string_view tag = xml.substr(open + 1, end - open - 1);
        const std::size_t close = xml.find('>', end);
        if (close == std::string_view::npos) return;
        if (FormulaTag(tag)) {
            if (xml[close - 1] == '/') continue;
            const std::size_t textEnd = xml.find('<', close);
            if (textEnd == std::string_view::npos) return;
            fn(close + 1, textEnd, false);
            open = textEnd - 1;
            continue;
        }
        std::string_view local = tag;
        if (const std::size_t colon = local.find(':'); colon != std::string_view::npos) local.remove_prefix(colon + 1);
        if (local == "hyperlink") {
            const std::string_view attrs = xml.substr(end, close - end);
            for (std::size_t at = attrs.find("location="); at != std::string_view::npos; at = attrs.find("location=", at + 1)) {
                if (at > 0 && attrs[at - 1] != ' ' && attrs[at - 1] != '\t' && attrs[at - 1] != '\n' && attrs[at - 1] != '\r') continue;
                const char quote = at + 9 < attrs.size() ? attrs[at + 9] : '"';
                const std::size_t valueEnd = attrs.find(quote, at + 10);
                if (valueEnd == std::string_view::npos) break;
                fn(end + at + 10, end + valueEnd, true);
                break;
            }
        }
        open = close - 1;
    }
}

// Calls fn(position, length, number) for every external link reference "[n]" of a formula; table
// references (`Table1[Column]`, `[@Column]`) are skipped whole.
template <typename Fn>
void ForEachLink(std::string_view f, Fn fn) {
    std::size_t i = 0;
    while (i < f.size()) {
        if (SkipStringLiteral(f, i)) continue;
        if (f[i] != '[') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        unsigned number = 0;
        while (j < f.size() && j - i <= 6 && std::isdigit(static_cast<unsigned char>(f[j])))
            number = number * 10 + static_cast<unsigned>(f[j++] - '0');
        if (j > i + 1 && j < f.size() && f[j] == ']' && (i == 0 || !DefinedNameChar(f[i - 1]))) {
            fn(i, j + 1 - i, number);
            i = j + 1;
            continue;
        }
        int depth = 0;  // a structured reference: to its closing bracket
        for (j = i; j < f.size(); ++j) {
            if (f[j] == '[') ++depth;
            else if (f[j] == ']' && --depth == 0) break;
        }
        i = j + 1;
    }
}

// The source's external link parts by number (1-based; "" where a reference is broken).
std::vector<std::string> LinkParts(const Package& p) {
    std::vector<std::string> out;
    const pugi::xml_node refs = Child(p.ExistingExternalReferences(), "externalReference");
    const std::string rid = p.relPrefix() + "id";
    for (pugi::xml_node r = refs; r; r = r.next_sibling()) {
        if (r.type() != pugi::node_element) continue;
        const Relationship* rel = p.workbookRels().ById(r.attribute(rid.c_str()).value());
        out.push_back(rel && !rel->external ? p.parts().FindName(ResolveTarget(p.workbookPart(), rel->target)) : "");
    }
    return out;
}

// Where a link part points (the linked workbook's path), to recognise a link the target already has.
std::string LinkTarget(const Package& p, const std::string& part) {
    if (part.empty()) return {};
    const std::string rels = RelsPartName(part);
    if (!p.parts().Has(rels)) return {};
    const Relationships all = Relationships::Parse(p.parts().Read(rels), rels);
    for (const Relationship& r : all.All())
        if (r.external) return r.target;
    return {};
}

}  // namespace

WorkbookRefs FindWorkbookRefs(const Package& source, const std::string& sheetName, std::string_view sheetXml,
                              const Package& target) {
    WorkbookRefs out;
    const pugi::xml_node targetNames = target.ExistingDefinedNames();
    std::unordered_map<std::string, std::string> targetHas;  // the target's workbook names (lower case) -> formula
    for (pugi::xml_node t = targetNames.first_child(); t; t = t.next_sibling())
        if (!t.attribute("localSheetId")) targetHas.emplace(LowerAscii(t.attribute("name").value()), t.child_value());
    std::vector<pugi::xml_node> candidates;
    for (pugi::xml_node n = source.ExistingDefinedNames().first_child(); n; n = n.next_sibling()) {
        const std::string name = n.attribute("name").value();
        if (n.type() != pugi::node_element || n.attribute("localSheetId") || name.empty() ||
            EqualAsciiNoCase(std::string_view(name).substr(0, 6), "_xlnm.") ||
            FormulaRefersTo(n.child_value(), sheetName))
            continue;
        candidates.push_back(n);
    }
    // Names used by the sheet, then names used by those, until nothing new turns up: a work list
    // that reads each formula once (a chain of thousands of names stays linear).
    std::vector<bool> used(candidates.size(), false);
    std::unordered_map<std::string, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < candidates.size(); ++i) byName[LowerAscii(candidates[i].attribute("name").value())].push_back(i);
    std::vector<std::size_t> work;
    auto use = [&](const std::unordered_set<std::string>& names) {
        for (const std::string& name : names)
            if (const auto it = byName.find(name); it != byName.end())
                for (std::size_t i : it->second)
                    if (!used[i]) {
                        used[i] = true;
                        work.push_back(i);
                    }
    };
    if (!candidates.empty()) use(NamesInFormulas(sheetXml));
    while (!work.empty()) {
        std::unordered_set<std::string> names;
        NamesInText(candidates[work.back()].child_value(), names);
        work.pop_back();
        use(names);
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (!used[i]) continue;
        const auto clash = targetHas.find(LowerAscii(candidates[i].attribute("name").value()));
        if (clash == targetHas.end()) out.names.push_back(candidates[i]);
        else if (&source != &target) out.clashing.emplace_back(candidates[i], clash->second);
    }

    const std::vector<std::string> links = LinkParts(source);
    if (links.empty()) return out;
    std::set<unsigned> numbers;
    auto note = [&](std::size_t, std::size_t, unsigned n) {
        if (n >= 1 && n <= links.size() && !links[n - 1].empty()) numbers.insert(n);
    };
    for (std::size_t at = sheetXml.find('['); at != std::string_view::npos; at = sheetXml.find('[', at + 1)) {
        if (at > 0 && DefinedNameChar(sheetXml[at - 1])) continue;  // a table reference
        std::size_t j = at + 1;
        unsigned n = 0;
        while (j < sheetXml.size() && j - at <= 6 && std::isdigit(static_cast<unsigned char>(sheetXml[j])))
            n = n * 10 + static_cast<unsigned>(sheetXml[j++] - '0');
        if (j > at + 1 && j < sheetXml.size() && sheetXml[j] == ']' && InFormula(sheetXml, at)) note(0, 0, n);
    }
    for (pugi::xml_node n : out.names) ForEachLink(n.child_value(), note);
    for (const auto& c : out.clashing) ForEachLink(c.first.child_value(), note);
    if (numbers.empty()) return out;

    const std::vector<std::string> targetLinks = LinkParts(target);
    for (unsigned n : numbers) {
        const std::string path = LinkTarget(source, links[n - 1]);
        unsigned mapped = 0;
        for (std::size_t t = 0; t < targetLinks.size() && !mapped && &source != &target; ++t)
            if (!path.empty() && LinkTarget(target, targetLinks[t]) == path) mapped = static_cast<unsigned>(t + 1);
        if (&source == &target) mapped = n;
        if (!mapped) {
            out.newLinkParts.push_back(links[n - 1]);
            mapped = static_cast<unsigned>(targetLinks.size() + out.newLinkParts.size());
        }
        out.links[n] = mapped;
    }
    return out;
}

bool RenumberExternalLinks(std::string& formula, const std::map<unsigned, unsigned>& links) {
    std::string out;
    std::size_t last = 0;
    ForEachLink(formula, [&](std::size_t at, std::size_t length, unsigned n) {
        const auto it = links.find(n);
        if (it == links.end() || it->second == n) return;
        out.append(formula, last, at - last);
        out += "[" + std::to_string(it->second) + "]";
        last = at + length;
    });
    if (last == 0) return false;
    out.append(formula, last, std::string::npos);
    formula = std::move(out);
    return true;
}

std::size_t LinkCount(const Package& p) { return LinkParts(p).size(); }

void NoteLinksUsed(std::string_view formula, std::set<unsigned>& used) {
    ForEachLink(formula, [&](std::size_t, std::size_t, unsigned n) { used.insert(n); });
}

std::vector<std::string> LinkPartNames(const Package& p) { return LinkParts(p); }

std::string FormulaText(std::string_view partXml) {
    std::string out;
    ForEachFormulaSpan(partXml, [&](std::size_t begin, std::size_t end, bool) {
        out += UnescapeXml(partXml.substr(begin, end - begin));
        out += '\n';
    });
    return out;
}

bool RewriteFormulaText(std::string& partXml, const std::function<bool(std::string&)>& fn) {
    std::string out;
    std::size_t last = 0;
    ForEachFormulaSpan(partXml, [&](std::size_t begin, std::size_t end, bool attribute) {
        std::string text = UnescapeXml(std::string_view(partXml).substr(begin, end - begin));
        if (!fn(text)) return;
        out.append(partXml, last, begin - last);
        out += EscapeXml(text, attribute);
        last = end;
    });
    if (last == 0) return false;
    out.append(partXml, last, std::string::npos);
    partXml = std::move(out);
    return true;
}

void AddExternalLinks(Package& target, const std::vector<std::string>& partNames) {
    if (partNames.empty()) return;
    pugi::xml_node refs = target.ExternalReferences(true);
    const std::string prefix = ElementPrefix(refs.parent());
    std::string rid = target.relPrefix();
    if (rid.empty()) {
        refs.parent().append_attribute("xmlns:r") = kNsRel;
        rid = "r:";
    }
    for (const std::string& part : partNames) {
        const std::string id = target.workbookRels().Add(std::string(kRelBase) + "externalLink",
                                                        RelativeTarget(target.workbookPart(), part));
        refs.append_child((prefix + "externalReference").c_str()).append_attribute((rid + "id").c_str()) = id.c_str();
    }
}

}  // namespace zelmo::xlsx
