#include "defined_names.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "xlsx/workbook.h"

#include "formula_scan.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

bool PlainName(const std::string& name) {
    if (name.empty()) return false;
    const auto first = static_cast<unsigned char>(name[0]);
    if (!(std::isalpha(first) || first == '_' || first >= 0x80)) return false;
    for (unsigned char ch : name)
        if (!(std::isalnum(ch) || ch == '_' || ch == '.' || ch >= 0x80)) return false;
    // Names that read like a cell reference (A1, R1C1) must be quoted.
    std::size_t i = 0;
    while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) ++i;
    if (i > 0 && i < name.size() && i <= 3) {
        std::size_t j = i;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) ++j;
        if (j == name.size()) return false;
    }
    return true;
}

std::string Escaped(const std::string& name) {
    std::string s;
    for (char ch : name) {
        s += ch;
        if (ch == '\'') s += '\'';
    }
    return s;
}

// Whether the text before position `colon` ends in a cell reference ("A1", "$B$2") rather than a
// sheet name.
bool AfterCell(const std::string& f, std::size_t colon) {
    std::size_t i = colon;
    while (i > 0 && std::isdigit(static_cast<unsigned char>(f[i - 1]))) --i;
    const std::size_t digits = colon - i;
    if (i > 0 && f[i - 1] == '$') --i;
    std::size_t letters = 0;
    while (i > 0 && std::isalpha(static_cast<unsigned char>(f[i - 1]))) --i, ++letters;
    if (i > 0 && f[i - 1] == '$') --i;
    return digits > 0 && letters > 0 && letters <= 3 && (i == 0 || !SheetNameChar(f[i - 1]));
}

// Walks the formula outside string literals and reports where `name`'s references start and end.
template <typename Fn>
void ForEachReference(const std::string& f, const std::string& name, Fn fn) {
    const std::string quoted = "'" + Escaped(name) + "'!";
    const std::string bare = name + "!";
    std::size_t i = 0;
    while (i < f.size()) {
        if (SkipStringLiteral(f, i)) continue;
        if (f.compare(i, quoted.size(), quoted) == 0) {
            fn(i, quoted.size());
            i += quoted.size();
            continue;
        }
        if (f[i] == '\'') {  // another quoted sheet name: skip it whole
            std::size_t j = i + 1;
            while (j < f.size()) {
                if (f[j] == '\'' && j + 1 < f.size() && f[j + 1] == '\'') j += 2;
                else if (f[j] == '\'') break;
                else ++j;
            }
            i = j + 1;
            continue;
        }
        // "[1]Sheet1!" is a sheet of another workbook, "Sheet1:Sheet3!" a 3-D reference (the range
        // operator after a cell, "A1:Sheet3!B2", is not).
        if ((i == 0 || (!SheetNameChar(f[i - 1]) && f[i - 1] != ']' && !(f[i - 1] == ':' && !AfterCell(f, i - 1)))) &&
            f.compare(i, bare.size(), bare) == 0) {
            fn(i, bare.size());
            i += bare.size();
            continue;
        }
        ++i;
    }
}

bool ParseSheetId(const pugi::xml_node& n, std::uint32_t& id) {
    pugi::xml_attribute a = n.attribute("localSheetId");
    return a && ParseIndex(a.value(), id);
}

}  // namespace

std::string QuoteSheetName(const std::string& name) {
    return PlainName(name) ? name : "'" + Escaped(name) + "'";
}

std::string ExternalSheetPrefix(unsigned n, const std::string& sheet) {
    const std::string book = "[" + std::to_string(n) + "]";
    return PlainName(sheet) ? book + sheet + "!" : "'" + book + Escaped(sheet) + "'!";
}

std::string RenameSheetInFormula(const std::string& formula, const std::string& oldName, const std::string& newName) {
    return ReplaceSheetReferences(formula, oldName, QuoteSheetName(newName) + "!");
}

std::string ReplaceSheetReferences(const std::string& formula, const std::string& oldName, const std::string& replacement) {
    std::string out;
    std::size_t last = 0;
    ForEachReference(formula, oldName, [&](std::size_t at, std::size_t len) {
        out.append(formula, last, at - last);
        out += replacement;
        last = at + len;
    });
    out.append(formula, last, std::string::npos);
    return out;
}

std::string RenameSheetsInFormula(const std::string& formula,
                                  const std::vector<std::pair<std::string, std::string>>& renames) {
    struct Span {
        std::size_t at, len, rename;
    };
    std::vector<Span> spans;
    for (std::size_t r = 0; r < renames.size(); ++r)
        ForEachReference(formula, renames[r].first, [&](std::size_t at, std::size_t len) { spans.push_back({at, len, r}); });
    if (spans.empty()) return formula;
    // Stable: where two renames match at one place, the first listed wins.
    std::stable_sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.at < b.at; });
    std::string out;
    std::size_t last = 0;
    for (const Span& s : spans) {
        if (s.at < last) continue;
        out.append(formula, last, s.at - last);
        out += QuoteSheetName(renames[s.rename].second) + "!";
        last = s.at + s.len;
    }
    out.append(formula, last, std::string::npos);
    return out;
}

bool FormulaRefersTo(const std::string& formula, const std::string& name) {
    bool found = false;
    ForEachReference(formula, name, [&](std::size_t, std::size_t) { found = true; });
    return found;
}

void ShiftViewIndex(pugi::xml_node view, const char* attr, std::size_t from, int delta) {
    pugi::xml_attribute a = view.attribute(attr);
    std::uint32_t v = 0;
    if (a && ParseIndex(a.value(), v) && v >= from && !(delta < 0 && v == 0))
        a.set_value(static_cast<long long>(v) + delta);
}

void ShiftLocalSheetIds(pugi::xml_node definedNames, std::size_t from, int delta) {
    for (pugi::xml_node n = definedNames.first_child(); n; n = n.next_sibling()) {
        std::uint32_t id = 0;
        if (ParseSheetId(n, id) && id >= from)
            n.attribute("localSheetId").set_value(static_cast<long long>(id) + delta);
    }
}

void RemoveNamesOfSheet(pugi::xml_node definedNames, std::size_t sheetIndex) {
    for (pugi::xml_node n = definedNames.first_child(); n;) {
        pugi::xml_node next = n.next_sibling();
        std::uint32_t id = 0;
        if (ParseSheetId(n, id) && id == sheetIndex) definedNames.remove_child(n);
        n = next;
    }
}

void CopySheetNames(const pugi::xml_node& source, std::size_t sourceIndex, const std::string& oldName,
                    pugi::xml_node target, std::size_t position,
                    const std::function<std::string(const std::string&)>& rewrite) {
    const std::string prefix = ElementPrefix(target);
    const std::string element = prefix + "definedName";
    // Collected first: source and target are the same node when a sheet is copied within its workbook.
    std::vector<pugi::xml_node> names;
    for (pugi::xml_node n = source.first_child(); n; n = n.next_sibling())
        if (LocalName(n.name()) == "definedName") names.push_back(n);
    for (pugi::xml_node n : names) {
        std::uint32_t id = 0;
        const bool scoped = ParseSheetId(n, id);
        const std::string formula = n.child_value();
        if (scoped && id != sourceIndex) continue;
        bool asScoped = scoped;
        if (!scoped) {
            if (!FormulaRefersTo(formula, oldName)) continue;
            // A workbook-scoped name the target already has becomes the copy's own name instead.
            for (pugi::xml_node t = target.first_child(); t; t = t.next_sibling()) {
                std::uint32_t tid = 0;
                if (!ParseSheetId(t, tid) && SheetNamesEqual(t.attribute("name").value(), n.attribute("name").value()))
                    asScoped = true;
            }
        }
        pugi::xml_node copy = target.append_copy(n);
        copy.set_name(element.c_str());
        copy.text().set(rewrite(formula).c_str());
        copy.remove_attribute("localSheetId");
        if (asScoped) copy.append_attribute("localSheetId") = static_cast<unsigned long long>(position);
    }
}

}  // namespace zelmo::xlsx
