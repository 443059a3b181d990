#include "sheet_xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "messages.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr std::size_t kChunkBytes = 4u << 20;

constexpr const char* kSparklines = "{05C60535-1F16-4fd2-B633-F4F36F0B64E0}";
constexpr const char* kSlicerList = "{A8765BA9-456A-4dab-B4F3-ACF838C121DE}";

// Extensions the engine knows: self-contained (x14 conditional formats and validations) or edited
// by the copy (sparklines). Any other extension is kept as written unless it points at another part.
bool KeptExtension(const char* uri) {
    static const char* const kKept[] = {
        "{78C0D931-6437-407d-A8EE-F0AAD7539E65}",  // conditional formats
        "{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}",  // data validations
        kSparklines,
    };
    for (const char* k : kKept)
        if (std::strcmp(uri, k) == 0) return true;
    return false;
}

std::string ExtensionName(const pugi::xml_node& ext) {
    for (pugi::xml_node c = ext.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return "ext:" + std::string(LocalName(c.name()));
    return "ext:" + std::string(ext.attribute("uri").value());
}

// The namespace `prefix` is bound to at `node` ("" when unbound).
std::string_view NamespaceOf(pugi::xml_node node, std::string_view prefix) {
    const std::string declaration = "xmlns:" + std::string(prefix);
    for (; node; node = node.parent())
        if (pugi::xml_attribute a = node.attribute(declaration.c_str())) return a.value();
    return {};
}

// Whether `node` or an element below it has an attribute in the relationships namespace (r:id,
// r:embed...), i.e. points at another part. Extensions that do not are self-contained: the copy
// carries them as written, whatever they are (their formulas follow the copy like any other).
bool HoldsRelationshipId(pugi::xml_node node) {
    const auto holds = [](pugi::xml_node n) {
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view name = a.name();
            const std::size_t colon = name.find(':');
            if (colon != std::string_view::npos && name.substr(0, colon) != "xmlns" &&
                NamespaceOf(n, name.substr(0, colon)) == kNsRel)
                return true;
        }
        return false;
    };
    return holds(node) || node.find_node(holds);  // find_node walks without recursion
}

void Report(SheetRewrite& rw, const std::string& what) {
    if (!rw.notCarried) return;
    if (std::find(rw.notCarried->begin(), rw.notCarried->end(), what) == rw.notCarried->end())
        rw.notCarried->push_back(what);
}

bool IsDroppableContainer(std::string_view local) {
    return local == "tableParts" || local == "oleObjects" || local == "controls" || local == "customProperties" ||
           local == "webPublishItems" || local == "extLst" || local == "ext";
}

// Removes every element that refers to a relationship that is not carried, with the container or
// alternate-content block around it, so the copy has no dangling relationship ids.
void DropUncarriedReferences(pugi::xml_node root, SheetRewrite& rw) {
    const std::string relPrefix = RelationshipPrefix(root);
    std::vector<pugi::xml_node> doomed;
    ForEachDescendant(root, [&](pugi::xml_node n) {
        if (n.type() != pugi::node_element) return true;
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            if (std::strncmp(a.name(), relPrefix.c_str(), relPrefix.size()) == 0 && !rw.keepRelationship(a.value())) {
                doomed.push_back(n);
                return false;  // goes whole: nothing below it is looked at
            }
        return true;
    });
    if (!doomed.empty()) rw.changed = true;
    for (pugi::xml_node n : doomed) {
        // Inside an alternate-content block the whole block goes (its choices describe one object).
        pugi::xml_node top = n;
        for (pugi::xml_node p = n.parent(); p && p != root; p = p.parent())
            if (LocalName(p.name()) == "AlternateContent") top = p;
        pugi::xml_node parent = top.parent();
        if (!parent) continue;  // already removed with an earlier block
        parent.remove_child(top);
        while (parent && parent != root && IsDroppableContainer(LocalName(parent.name())) &&
               !parent.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; })) {
            pugi::xml_node up = parent.parent();
            up.remove_child(parent);
            parent = up;
        }
    }
}

// Sets `a` to `value`, noting in `rw` whether that changed it.
void Remap(pugi::xml_attribute a, std::uint32_t from, std::uint32_t to, SheetRewrite& rw) {
    if (from == to) return;
    a.set_value(to);
    rw.changed = true;
}

// Formulas outside the cells: conditional formats, validations and their extension forms.
void RewriteFormulas(pugi::xml_node root, SheetRewrite& rw) {
    ForEachDescendant(root, [&](pugi::xml_node n) {
        if (n.type() != pugi::node_element) return false;
        const std::string_view local = LocalName(n.name());
        // x14 validations wrap their formula in one more element (x14:formula1/xm:f).
        const bool wrapper = n.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; });
        if (wrapper || (local != "formula" && local != "formula1" && local != "formula2" && local != "f")) return true;
        std::string text = n.child_value();
        if (rw.formula(text)) {
            n.text().set(text.c_str());
            rw.changed = true;
        }
        return false;
    });
}

// The sheet a reference such as "'My sheet'!A1:A3" names ("" for none).
std::string SheetOfReference(const std::string& ref) {
    const std::size_t bang = ref.rfind('!');
    if (bang == std::string::npos) return {};
    std::string sheet = ref.substr(0, bang);
    if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
        sheet = sheet.substr(1, sheet.size() - 2);
        for (std::size_t at = 0; (at = sheet.find("''", at)) != std::string::npos; ++at) sheet.erase(at, 1);
    }
    return sheet;
}

// Sparklines show data of a sheet of the same workbook: those drawing on a sheet the target lacks
// would have nothing to show, and are left out (reported).
void KeepSparklinesWithData(pugi::xml_node ext, SheetRewrite& rw) {
    for (pugi::xml_node groups = ext.first_child(); groups; groups = groups.next_sibling())
        for (pugi::xml_node group = groups.first_child(); group;) {
            const pugi::xml_node nextGroup = group.next_sibling();
            pugi::xml_node lines = Child(group, "sparklines");
            for (pugi::xml_node line = lines.first_child(); line;) {
                const pugi::xml_node next = line.next_sibling();
                const std::string sheet = SheetOfReference(Child(line, "f").child_value());
                if (!sheet.empty() && sheet != rw.fromName && sheet != rw.toName &&
                    !(rw.sheetInTarget && rw.sheetInTarget(sheet))) {
                    lines.remove_child(line);
                    Report(rw, "ext:sparklineGroups");
                    rw.changed = true;
                }
                line = next;
            }
            if (lines && !Child(lines, "sparkline")) groups.remove_child(group);
            group = nextGroup;
        }
}

void EditSkeleton(pugi::xml_node root, SheetRewrite& rw) {
    std::uint32_t v = 0;
    if (pugi::xml_node views = Child(root, "sheetViews"); views && rw.clearSelection)
        for (pugi::xml_node view = views.first_child(); view; view = view.next_sibling()) {
            // Only a selected view matters; tabSelected="false" is left as written.
            const pugi::xml_attribute selected = view.attribute("tabSelected");
            if (selected && selected.as_bool()) {
                view.remove_attribute(selected);
                rw.changed = true;
            }
        }
    if (pugi::xml_node pr = Child(root, "sheetPr"))
        if (pugi::xml_node tab = Child(pr, "tabColor")) rw.changed |= rw.styles->FixColors(tab);
    if (pugi::xml_node cols = Child(root, "cols"))
        for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling())
            if (pugi::xml_attribute s = col.attribute("style"); s && ParseIndex(s.value(), v))
                Remap(s, v, rw.styles->CellXf(v), rw);
    for (pugi::xml_node cf = root.first_child(); cf; cf = cf.next_sibling()) {
        if (LocalName(cf.name()) != "conditionalFormatting") continue;
        for (pugi::xml_node rule = cf.first_child(); rule; rule = rule.next_sibling())
            if (pugi::xml_attribute d = rule.attribute("dxfId"); d && ParseIndex(d.value(), v))
                Remap(d, v, rw.styles->Dxf(v), rw);
    }
    if (pugi::xml_node ext = Child(root, "extLst")) {
        for (pugi::xml_node e = ext.first_child(); e;) {
            pugi::xml_node next = e.next_sibling();
            const char* uri = e.attribute("uri").value();
            const bool slicerList = std::strcmp(uri, kSlicerList) == 0;
            if (e.type() != pugi::node_element || (slicerList && rw.keepSlicerList)) {
                // kept as written
            } else if (slicerList || (!KeptExtension(uri) && HoldsRelationshipId(e))) {
                // Its parts are not carried: a relationship id would dangle.
                Report(rw, ExtensionName(e));
                ext.remove_child(e);
                rw.changed = true;
            } else if (std::strcmp(uri, kSparklines) == 0) {
                KeepSparklinesWithData(e, rw);
                pugi::xml_node groups = Child(e, "sparklineGroups");
                if (!groups || !Child(groups, "sparklineGroup")) ext.remove_child(e);
            }
            e = next;
        }
        if (!ext.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; })) root.remove_child(ext);
    }
    if (rw.formula) RewriteFormulas(root, rw);
    if (pugi::xml_node links = Child(root, "hyperlinks"); links && rw.hyperlink)
        for (pugi::xml_node link = links.first_child(); link; link = link.next_sibling())
            if (link.type() == pugi::node_element && link.attribute("location")) rw.changed |= rw.hyperlink(link);
    DropUncarriedReferences(root, rw);
}

// Moves a date serial (value or cached formula result) to the target's date system.
void ShiftDate(pugi::xml_node c, const std::string& vName, SheetRewrite& rw) {
    pugi::xml_node value = c.child(vName.c_str());
    const char* text = value.child_value();
    if (!*text) return;
    char* end = nullptr;
    const double serial = std::strtod(text, &end);
    if (*end != '\0') return;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", serial + rw.dateShift);
    value.text().set(buffer);
    rw.changed = true;
}

// Remaps the indices in one piece of sheetData.
void RewriteRows(pugi::xml_document& doc, const std::string& prefix, SheetRewrite& rw, bool& sawMetadata) {
    const std::string cName = prefix + "c";
    const std::string vName = prefix + "v";
    const std::string fName = prefix + "f";
    std::string text;
    std::uint32_t v = 0;
    // Cells without a style use format 0, which in the target may look different (another default
    // font): such cells get the target's equivalent of the source's format 0 written out.
    const std::uint32_t defaultXf = rw.styles->CellXf(0);
    for (pugi::xml_node row = doc.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element) continue;
        if (pugi::xml_attribute s = row.attribute("s"); s && ParseIndex(s.value(), v)) Remap(s, v, rw.styles->CellXf(v), rw);
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (std::strcmp(c.name(), cName.c_str()) != 0) continue;
            bool shared = false;
            bool styled = false;
            bool number = true;
            std::uint32_t style = 0;
            for (pugi::xml_attribute a = c.first_attribute(); a;) {
                pugi::xml_attribute next = a.next_attribute();
                const char* n = a.name();
                if (n[0] == 's' && n[1] == '\0') {
                    styled = true;
                    if (ParseIndex(a.value(), v)) {
                        style = v;
                        Remap(a, v, rw.styles->CellXf(v), rw);
                    }
                } else if (n[0] == 't' && n[1] == '\0') {
                    shared = a.value()[0] == 's' && a.value()[1] == '\0';
                    number = a.value()[0] == 'n' && a.value()[1] == '\0';
                } else if ((n[0] == 'c' || n[0] == 'v') && n[1] == 'm' && n[2] == '\0' &&
                           !(n[0] == 'c' && rw.keepCellMetadata)) {
                    // Value metadata (and cell metadata the target cannot take) points into workbook-level
                    // parts that are not carried.
                    c.remove_attribute(a);
                    sawMetadata = true;
                    rw.changed = true;
                }
                a = next;
            }
            if (!styled && defaultXf != 0) {
                const pugi::xml_attribute ref = c.attribute("r");
                (ref ? c.insert_attribute_after("s", ref) : c.prepend_attribute("s")) = defaultXf;
                rw.changed = true;
            }
            if (number && rw.dateShift != 0 && rw.styles->IsDateFormat(style)) ShiftDate(c, vName, rw);
            if (rw.formula)
                if (pugi::xml_node f = c.child(fName.c_str()); f && *f.child_value()) {
                    text = f.child_value();
                    if (rw.formula(text)) {
                        f.text().set(text.c_str());
                        rw.changed = true;
                    }
                }
            if (!shared) continue;
            pugi::xml_node value = c.child(vName.c_str());
            if (ParseIndex(value.child_value(), v)) {
                const std::uint32_t mapped = rw.sharedString(v);
                if (mapped != v) {
                    value.text().set(mapped);
                    rw.changed = true;
                }
            }
        }
    }
}

// A sheet part without its cell data (an empty container left in its place): small enough to be
// edited as one document.
std::string Skeleton(const SplitPart& split, const std::string& dataName) {
    std::string xml(split.head);
    if (split.found && split.selfClosed) xml += "<" + dataName + "/>";
    xml += split.tail;
    return xml;
}

// The edited skeleton's text around the cell data spliced back into it (`placeholder` is the
// skeleton split around its container, written self-closed when the data was empty).
void AppendBeforeData(std::string& out, const SplitPart& placeholder, const std::string& dataName) {
    out.append(placeholder.head);
    if (placeholder.selfClosed) out += "<" + dataName + ">";
}
void AppendAfterData(std::string& out, const SplitPart& placeholder, const std::string& dataName) {
    if (placeholder.selfClosed) out += "</" + dataName + ">";
    out.append(placeholder.tail);
}

struct StringWriter : pugi::xml_writer {
    explicit StringWriter(std::string& s) : out(s) {}
    void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
    std::string& out;
};

}  // namespace

std::string RootPrefix(std::string_view xml) {
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        if (at + 1 < xml.size() && (xml[at + 1] == '?' || xml[at + 1] == '!')) {
            // A declaration, comment or DTD is skipped whole: its text may hold a '<' of its own.
            const char* close = xml[at + 1] == '?' ? "?>" : xml.compare(at, 4, "<!--") == 0 ? "-->" : ">";
            at = xml.find(close, at + 2);
            if (at == std::string_view::npos) return {};
            continue;
        }
        std::size_t end = at + 1;
        while (end < xml.size() && xml[end] != ' ' && xml[end] != '>' && xml[end] != '/' && xml[end] != '\r' &&
               xml[end] != '\n' && xml[end] != '\t')
            ++end;
        const std::string_view name = xml.substr(at + 1, end - at - 1);
        const std::size_t colon = name.find(':');
        return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
    }
    return {};
}

std::string RewriteSheetXml(std::string_view xml, const std::string& partName, SheetRewrite& rw) {
    const std::string prefix = RootPrefix(xml);
    const std::string dataName = prefix + "sheetData";
    const SplitPart split = SplitAround(xml, dataName);

    std::string skeletonXml = Skeleton(split, dataName);
    pugi::xml_document skeleton;
    ParseXml(skeleton, skeletonXml, partName);
    skeletonXml.clear();
    skeletonXml.shrink_to_fit();
    // Cell data the split did not find (written with another prefix than the root's, say) would
    // be copied with the source's style and string indices: refused instead.
    if (!split.found && Child(skeleton.document_element(), "sheetData"))
        throw Error(ErrorKind::Corrupt, msg::Corrupt(partName + " のセルデータを読み取れません"));
    EditSkeleton(skeleton.document_element(), rw);
    const std::string edited = WriteXml(skeleton);
    skeleton.reset();
    if (!split.found) return edited;

    const SplitPart placeholder = SplitAround(edited, dataName);
    const bool skeletonChanged = rw.changed;
    // Pieces of cell data that need no change are copied as written; the output is only started
    // once something changes, so a sheet that needs no rewrite costs no second copy in memory.
    std::string out;
    bool started = false;
    std::size_t pendingFrom = 0, pendingTo = 0;  // unchanged text of the body not yet written
    auto start = [&]() {
        if (started) return;
        started = true;
        out.reserve(xml.size() + xml.size() / 8);
        AppendBeforeData(out, placeholder, dataName);
    };
    auto flushPending = [&]() {
        out.append(split.body.substr(pendingFrom, pendingTo - pendingFrom));
        pendingFrom = pendingTo;
    };
    bool sawMetadata = false;
    StringWriter writer(out);
    ForEachChunk(split.body, prefix + "row", kChunkBytes, partName, [&](pugi::xml_document& doc, std::string_view raw) {
        const bool before = rw.changed;
        rw.changed = false;
        RewriteRows(doc, prefix, rw, sawMetadata);
        const bool chunkChanged = rw.changed;
        rw.changed = before || chunkChanged;
        if (!chunkChanged) {
            pendingTo += raw.size();
            return;
        }
        start();
        flushPending();
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
        pendingFrom = pendingTo = pendingTo + raw.size();
    });
    if (sawMetadata) Report(rw, "cellMetadata");
    if (!rw.changed && !skeletonChanged) return {};  // the caller copies the part as it is
    start();
    flushPending();
    AppendAfterData(out, placeholder, dataName);
    return out;
}

std::string SetTabSelected(std::string_view xml, const std::string& partName, bool selected) {
    const std::string dataName = RootPrefix(xml) + "sheetData";
    const SplitPart split = SplitAround(xml, dataName);
    pugi::xml_document skeleton;
    ParseXml(skeleton, Skeleton(split, dataName), partName);
    pugi::xml_node root = skeleton.document_element();
    pugi::xml_node views = Child(root, "sheetViews");
    if (!views) return std::string(xml);
    pugi::xml_node first = Child(views, "sheetView");
    if (!first) return std::string(xml);
    first.remove_attribute("tabSelected");
    if (selected) first.prepend_attribute("tabSelected") = "1";
    const std::string edited = WriteXml(skeleton);
    if (!split.found || split.selfClosed) return edited;
    const SplitPart placeholder = SplitAround(edited, dataName);
    std::string out;
    out.reserve(edited.size() + split.body.size() + 64);
    AppendBeforeData(out, placeholder, dataName);
    out.append(split.body);
    AppendAfterData(out, placeholder, dataName);
    return out;
}

}  // namespace zelmo::xlsx
