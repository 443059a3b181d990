#include "pivots.h"

#include "source_link.h"
#include "xml_util.h"

namespace zelmo::xlsx {

PivotIds::PivotIds(const Package& target) {
    for (pugi::xml_node c = target.ExistingPivotCaches().first_child(); c; c = c.next_sibling()) {
        std::uint32_t id = 0;
        if (ParseIndex(c.attribute("cacheId").value(), id)) used_.insert(id);
    }
}

std::string PivotIds::Adopt(const Package& source, const std::string& part, const std::string& xml, StyleMapper& styles) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    pugi::xml_node table = doc.document_element();

    std::string cache;
    const std::string relsName = RelsPartName(part);
    if (source.parts().Has(relsName)) {
        const Relationships rels = Relationships::Parse(source.parts().Read(relsName), relsName);
        if (const Relationship* rel = rels.FirstOfType("pivotCacheDefinition"); rel && !rel->external)
            cache = source.parts().FindName(ResolveTarget(part, rel->target));
    }
    if (!cache.empty()) {
        auto it = caches_.find(cache);
        if (it == caches_.end()) {
            std::uint32_t id = used_.empty() ? 1 : *used_.rbegin() + 1;
            used_.insert(id);
            it = caches_.emplace(cache, id).first;
        }
        (table.attribute("cacheId") ? table.attribute("cacheId") : table.append_attribute("cacheId")).set_value(it->second);
    }
    // Formats of pivot areas point into the workbook's differential formats.
    for (pugi::xpath_node n : table.select_nodes("//@dxfId")) {
        std::uint32_t v = 0;
        if (ParseIndex(n.attribute().value(), v)) n.attribute().set_value(styles.Dxf(v));
    }
    return WriteXml(doc);
}

CacheSource CacheSourceOf(const Package& source, const std::string& sheetPart, const Package& target,
                          const SheetNames& names) {
    // A copy into another workbook reads a data sheet of its source from the source file; in a merge
    // the link is pointed at the data sheet's copy when it comes along (ResolveLinksToCopies).
    CacheSource out{names.from, names.to, {}, &source != &target ? source.origin() : std::string(), {}};
    if (names.earlier) out.earlier = *names.earlier;
    const std::string rels = RelsPartName(sheetPart);
    if (!source.parts().Has(rels)) return out;
    const Relationships all = Relationships::Parse(source.parts().Read(rels), rels);
    for (const Relationship& r : all.All()) {
        if (r.external || !IsType(r.type, "table")) continue;
        const std::string part = source.parts().FindName(ResolveTarget(sheetPart, r.target));
        if (part.empty()) continue;
        pugi::xml_document doc;
        ParseXml(doc, source.parts().Read(part), part);
        out.ownTables.emplace_back(doc.document_element().attribute("displayName").value());
    }
    return out;
}

std::string AdoptPivotCache(const std::string& xml, const std::string& part, const CacheSource& source,
                            std::vector<Relationship>& extra) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    const pugi::xpath_node found = doc.select_node("//*[local-name()='worksheetSource']");
    pugi::xml_node ws = found.node();
    if (!ws) return xml;
    const std::string relPrefix = RelationshipPrefix(ws);
    for (pugi::xml_attribute a = ws.first_attribute(); a; a = a.next_attribute())
        if (!relPrefix.empty() && std::string(a.name()).rfind(relPrefix, 0) == 0) return xml;  // already external
    pugi::xml_attribute sheet = ws.attribute("sheet");
    const pugi::xml_attribute name = ws.attribute("name");
    if (sheet && SheetNamesEqual(sheet.value(), source.fromName)) {
        if (source.fromName == source.toName) return xml;
        sheet.set_value(source.toName.c_str());
        return WriteXml(doc);
    }
    if (sheet)
        for (const auto& e : source.earlier)
            if (SheetNamesEqual(sheet.value(), e.first)) {
                // The data sheet came into the merge before this one, under another name.
                sheet.set_value(e.second.c_str());
                return WriteXml(doc);
            }
    if (name)
        for (const std::string& t : source.ownTables)
            if (SheetNamesEqual(t, name.value())) return xml;  // a table of the copy (renamed afterwards)
    if (source.origin.empty() || (!sheet && !name)) return xml;
    // An id no relationship of a cache definition uses ("rId1" names its records).
    const std::string id = "rIdSourceFile";
    if (relPrefix.empty()) doc.document_element().append_attribute("xmlns:r") = kNsRel;
    ws.append_attribute(((relPrefix.empty() ? std::string("r:") : relPrefix) + "id").c_str()) = id.c_str();
    extra.push_back(Relationship{id, std::string(kRelBase) + "externalLinkPath", FileUri(source.origin), true});
    return WriteXml(doc);
}

std::string RenameTableSource(const std::string& xml, const std::string& part,
                              const std::vector<std::pair<std::string, std::string>>& renames) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    pugi::xml_attribute name = doc.select_node("//*[local-name()='worksheetSource']").node().attribute("name");
    for (const auto& r : renames)
        if (name && SheetNamesEqual(name.value(), r.first)) {
            name.set_value(r.second.c_str());
            return WriteXml(doc);
        }
    return xml;
}

void AddPivotCaches(Package& target, const std::vector<std::pair<std::string, std::uint32_t>>& caches) {
    if (caches.empty()) return;
    pugi::xml_node list = target.PivotCaches(true);
    const std::string element = target.prefix() + "pivotCache";
    const std::string rid = (target.relPrefix().empty() ? std::string("r:") : target.relPrefix()) + "id";
    if (target.relPrefix().empty()) list.parent().append_attribute("xmlns:r") = kNsRel;
    for (const auto& c : caches) {
        const std::string id = target.workbookRels().Add(std::string(kRelBase) + "pivotCacheDefinition",
                                                        RelativeTarget(target.workbookPart(), c.first));
        pugi::xml_node entry = list.append_child(element.c_str());
        entry.append_attribute("cacheId") = c.second;
        entry.append_attribute(rid.c_str()) = id.c_str();
    }
}

}  // namespace zelmo::xlsx
