#include "pivots.h"

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
