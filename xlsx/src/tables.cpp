#include "tables.h"

#include <cctype>
#include <cstring>

#include "formula_scan.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

// The differential-format attributes of tables and their columns.
constexpr const char* kDxfAttributes[] = {"headerRowDxfId", "dataDxfId", "totalsRowDxfId", "headerRowBorderDxfId",
                                          "tableBorderDxfId", "totalsRowBorderDxfId"};

void RemapDxfs(pugi::xml_node node, StyleMapper& styles) {
    for (const char* name : kDxfAttributes) {
        std::uint32_t v = 0;
        if (pugi::xml_attribute a = node.attribute(name); a && ParseIndex(a.value(), v)) a.set_value(styles.Dxf(v));
    }
}

}  // namespace

TableNaming::TableNaming(const Package& target) {
    for (const std::string& part : target.parts().Names()) {
        if (target.types().TypeOf(part) != kCtTable) continue;
        pugi::xml_document doc;
        ParseXml(doc, target.parts().Read(part), part);
        const pugi::xml_node table = doc.document_element();
        std::uint32_t id = 0;
        if (ParseIndex(table.attribute("id").value(), id)) ids_.insert(id);
        names_.emplace_back(table.attribute("name").value());
        names_.emplace_back(table.attribute("displayName").value());
    }
    for (pugi::xml_node n = target.ExistingDefinedNames().first_child(); n; n = n.next_sibling())
        names_.emplace_back(n.attribute("name").value());
}

bool TableNaming::Taken(const std::string& name) const {
    for (const std::string& n : names_)
        if (SheetNamesEqual(n, name)) return true;
    return false;
}

// The spreadsheet program keeps a copied table's name when it is free and otherwise appends the
// smallest number that makes it unique ("売上" becomes "売上2"), so formulas still read naturally.
std::string TableNaming::UniqueName(const std::string& wanted) {
    std::string name = wanted.empty() ? std::string("Table") : wanted;
    if (Taken(name)) {
        const std::string base = name;
        for (unsigned n = 2; Taken(name = base + std::to_string(n)); ++n) {
        }
    }
    names_.push_back(name);
    return name;
}

std::string TableNaming::Adopt(const std::string& xml, const std::string& part, StyleMapper& styles, bool dropQuery) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    pugi::xml_node table = doc.document_element();
    std::uint32_t id = 1;
    while (ids_.count(id)) ++id;
    ids_.insert(id);
    table.attribute("id") ? table.attribute("id").set_value(id) : table.append_attribute("id").set_value(id);

    const std::string display = table.attribute("displayName").value();
    const std::string fresh = UniqueName(display);
    if (fresh != display) renames_.emplace_back(display, fresh);
    for (const char* attr : {"name", "displayName"})
        (table.attribute(attr) ? table.attribute(attr) : table.append_attribute(attr)).set_value(fresh.c_str());

    RemapDxfs(table, styles);
    if (dropQuery && std::strcmp(table.attribute("tableType").value(), "queryTable") == 0)
        table.remove_attribute("tableType");
    for (pugi::xml_node cols = Child(table, "tableColumns"), col = cols.first_child(); col; col = col.next_sibling()) {
        RemapDxfs(col, styles);
        if (dropQuery) col.remove_attribute("queryTableFieldId");
    }
    return WriteXml(doc);
}

bool RenameTableInFormula(std::string& f, const std::string& oldName, const std::string& newName) {
    bool changed = false;
    std::size_t i = 0;
    while (i < f.size()) {
        if (SkipStringLiteral(f, i)) continue;
        if (f[i] == '\'') {  // a quoted sheet name
            const std::size_t close = f.find('\'', i + 1);
            if (close == std::string::npos) break;
            i = close + 1;
            continue;
        }
        const std::size_t end = i + oldName.size();
        // A structured reference (`Table1[...]`) or the bare table name (`ROWS(Table1)`); not a
        // function name or a sheet name that happens to start the same way.
        const bool boundary = end <= f.size() && (end == f.size() || f[end] == '[' ||
                                                  (!DefinedNameChar(f[end]) && f[end] != '(' && f[end] != '!'));
        if ((i == 0 || !DefinedNameChar(f[i - 1])) && boundary &&
            SheetNamesEqual(std::string_view(f).substr(i, oldName.size()), oldName)) {
            f.replace(i, oldName.size(), newName);
            i += newName.size();
            changed = true;
            continue;
        }
        ++i;
    }
    return changed;
}

std::string RenameTablesInTablePart(const std::string& xml, const std::string& part,
                                    const std::vector<std::pair<std::string, std::string>>& renames) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    bool changed = false;
    pugi::xml_node cols = Child(doc.document_element(), "tableColumns");
    for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling())
        for (pugi::xml_node f = col.first_child(); f; f = f.next_sibling()) {
            std::string text = f.child_value();
            bool any = false;
            for (const auto& r : renames) any |= RenameTableInFormula(text, r.first, r.second);
            if (any) f.text().set(text.c_str());
            changed |= any;
        }
    return changed ? WriteXml(doc) : xml;
}

}  // namespace zelmo::xlsx
