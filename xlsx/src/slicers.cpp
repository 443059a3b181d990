#include "slicers.h"

#include <algorithm>
#include <cstring>

#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr const char* kExtPivotSlicerCaches = "{BBE1A952-AA13-448e-AADC-164F8A28A991}";
constexpr const char* kRelSlicerCache = "http://schemas.microsoft.com/office/2007/relationships/slicerCache";
constexpr const char* kNsX14 = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main";

std::vector<std::string> NamesInParts(const Package& p, const char* type, const char* element) {
    std::vector<std::string> out;
    for (const std::string& part : p.parts().Names()) {
        if (p.types().TypeOf(part) != type) continue;
        pugi::xml_document doc;
        ParseXml(doc, p.parts().Read(part), part);
        const pugi::xml_node root = doc.document_element();
        if (LocalName(root.name()) == element) out.emplace_back(root.attribute("name").value());
        for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling())
            if (LocalName(n.name()) == element) out.emplace_back(n.attribute("name").value());
    }
    return out;
}

}  // namespace

SlicerPlan::SlicerPlan(const Package& source, const SheetEntry& sheet, const Package& target, std::uint32_t newSheetId)
    : newSheetId_(newSheetId) {
    const std::string rels = RelsPartName(sheet.part);
    if (!source.parts().Has(rels)) return;
    std::vector<std::string> slicerParts;
    const Relationships all = Relationships::Parse(source.parts().Read(rels), rels);
    for (const Relationship& r : all.All())
        if (!r.external && IsType(r.type, "slicer")) slicerParts.push_back(source.parts().FindName(ResolveTarget(sheet.part, r.target)));
    if (slicerParts.empty()) return;

    // The source's pivot-table slicer caches by name.
    std::map<std::string, std::string> cacheByName;
    const std::string rid = source.relPrefix() + "id";
    for (pugi::xml_node ext = Child(source.WorkbookRoot(), "extLst").first_child(); ext; ext = ext.next_sibling()) {
        if (std::strcmp(ext.attribute("uri").value(), kExtPivotSlicerCaches) != 0) continue;
        for (pugi::xml_node c = Child(ext, "slicerCaches").first_child(); c; c = c.next_sibling()) {
            const Relationship* rel = source.workbookRels().ById(c.attribute(rid.c_str()).value());
            if (!rel || rel->external) continue;
            const std::string part = source.parts().FindName(ResolveTarget(source.workbookPart(), rel->target));
            if (part.empty()) continue;
            pugi::xml_document doc;
            ParseXml(doc, source.parts().Read(part), part);
            cacheByName[doc.document_element().attribute("name").value()] = part;
        }
    }
    // Carried only when every cache filters pivot tables of this very sheet.
    const std::string sheetId = sheet.node.attribute("sheetId").value();
    std::vector<std::string> usedCaches;
    for (const std::string& part : slicerParts) {
        if (part.empty()) return;
        pugi::xml_document doc;
        ParseXml(doc, source.parts().Read(part), part);
        for (pugi::xml_node s = doc.document_element().first_child(); s; s = s.next_sibling()) {
            if (LocalName(s.name()) != "slicer") continue;
            const auto it = cacheByName.find(s.attribute("cache").value());
            if (it == cacheByName.end()) return;
            pugi::xml_document cache;
            ParseXml(cache, source.parts().Read(it->second), it->second);
            const pugi::xml_node root = cache.document_element();
            const pugi::xml_node tables = Child(root, "pivotTables");
            if (!tables.first_child() || !Child(Child(root, "data"), "tabular")) return;
            for (pugi::xml_node t = tables.first_child(); t; t = t.next_sibling())
                if (sheetId != t.attribute("tabId").value()) return;
            if (std::find(cacheParts_.begin(), cacheParts_.end(), it->second) == cacheParts_.end()) {
                cacheParts_.push_back(it->second);
                usedCaches.push_back(it->first);
            }
        }
    }
    carried_ = true;

    slicerNames_ = NamesInParts(target, kCtSlicer, "slicer");
    cacheNames_ = NamesInParts(target, kCtSlicerCache, "slicerCacheDefinition");
    // A cache's name is a defined name of the workbook too.
    for (pugi::xml_node n = target.ExistingDefinedNames().first_child(); n; n = n.next_sibling())
        cacheNames_.emplace_back(n.attribute("name").value());
    for (const std::string& name : usedCaches) {
        const std::string fresh = Unique(name, cacheNames_);
        cacheRenames_[name] = fresh;
        newCacheNames_.push_back(fresh);
    }
}

// As with tables, a taken name gets the smallest number appended that makes it unique.
std::string SlicerPlan::Unique(const std::string& wanted, std::vector<std::string>& taken) {
    auto used = [&](const std::string& n) {
        for (const std::string& t : taken)
            if (SheetNamesEqual(t, n)) return true;
        return false;
    };
    std::string name = wanted;
    for (unsigned n = 2; used(name); ++n) name = wanted + std::to_string(n);
    taken.push_back(name);
    return name;
}

std::string SlicerPlan::AdoptSlicers(const std::string& xml, const std::string& part) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    for (pugi::xml_node s = doc.document_element().first_child(); s; s = s.next_sibling()) {
        if (LocalName(s.name()) != "slicer") continue;
        const std::string name = s.attribute("name").value();
        const std::string fresh = Unique(name, slicerNames_);
        if (fresh != name) {
            slicerRenames_[name] = fresh;
            s.attribute("name").set_value(fresh.c_str());
        }
        if (const auto it = cacheRenames_.find(s.attribute("cache").value()); it != cacheRenames_.end())
            s.attribute("cache").set_value(it->second.c_str());
    }
    return WriteXml(doc);
}

std::string SlicerPlan::AdoptCache(const std::string& xml, const std::string& part) {
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    pugi::xml_node root = doc.document_element();
    if (const auto it = cacheRenames_.find(root.attribute("name").value()); it != cacheRenames_.end())
        root.attribute("name").set_value(it->second.c_str());
    for (pugi::xml_node t = Child(root, "pivotTables").first_child(); t; t = t.next_sibling())
        t.attribute("tabId").set_value(newSheetId_);
    return WriteXml(doc);
}

std::string SlicerPlan::AdoptDrawing(const std::string& xml, const std::string& part) const {
    if (slicerRenames_.empty()) return xml;
    pugi::xml_document doc;
    ParseXml(doc, xml, part);
    for (pugi::xpath_node n : doc.select_nodes("//*[local-name()='graphicData']/*[local-name()='slicer']")) {
        pugi::xml_attribute name = n.node().attribute("name");
        if (const auto it = slicerRenames_.find(name.value()); it != slicerRenames_.end()) name.set_value(it->second.c_str());
    }
    return WriteXml(doc);
}

void AddSlicerCaches(Package& target, const std::vector<std::string>& parts, const std::vector<std::string>& names) {
    if (parts.empty()) return;
    pugi::xml_node root = target.WorkbookRoot();
    pugi::xml_node extLst = Child(root, "extLst");
    if (!extLst) extLst = root.append_child((target.prefix() + "extLst").c_str());
    pugi::xml_node ext;
    for (pugi::xml_node e = extLst.first_child(); e && !ext; e = e.next_sibling())
        if (std::strcmp(e.attribute("uri").value(), kExtPivotSlicerCaches) == 0) ext = e;
    if (!ext) {
        ext = extLst.prepend_child((target.prefix() + "ext").c_str());
        ext.append_attribute("uri") = kExtPivotSlicerCaches;
        ext.append_attribute("xmlns:x14") = kNsX14;
    }
    pugi::xml_node list = Child(ext, "slicerCaches");
    if (!list) list = ext.append_child("x14:slicerCaches");
    const std::string element = ElementPrefix(list) + "slicerCache";
    std::string rid = target.relPrefix();
    if (rid.empty()) {
        root.append_attribute("xmlns:r") = kNsRel;
        rid = "r:";
    }
    for (const std::string& part : parts) {
        const std::string id = target.workbookRels().Add(kRelSlicerCache, RelativeTarget(target.workbookPart(), part));
        list.append_child(element.c_str()).append_attribute((rid + "id").c_str()) = id.c_str();
    }
    pugi::xml_node defined = target.DefinedNames(true);
    const std::string nameElement = target.prefix() + "definedName";
    for (const std::string& name : names) {
        pugi::xml_node n = defined.append_child(nameElement.c_str());
        n.append_attribute("name") = name.c_str();
        n.text().set("#N/A");
    }
}

}  // namespace zelmo::xlsx
