#include "relationships.h"

#include <pugixml.hpp>

#include <algorithm>
#include <vector>

#include "xml_util.h"

namespace zelmo::xlsx {

Relationships Relationships::Parse(const std::string& xml, const std::string& partName) {
    Relationships rels;
    if (xml.empty()) return rels;
    pugi::xml_document doc;
    ParseXml(doc, xml, partName);
    for (pugi::xml_node r = doc.document_element().first_child(); r; r = r.next_sibling()) {
        if (LocalName(r.name()) != "Relationship") continue;
        Relationship rel;
        rel.id = r.attribute("Id").value();
        rel.type = r.attribute("Type").value();
        rel.target = r.attribute("Target").value();
        rel.external = std::string(r.attribute("TargetMode").value()) == "External";
        rels.items_.push_back(std::move(rel));
    }
    return rels;
}

std::string Relationships::Write() const {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Relationships");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
    for (const auto& rel : items_) {
        pugi::xml_node r = root.append_child("Relationship");
        r.append_attribute("Id") = rel.id.c_str();
        r.append_attribute("Type") = rel.type.c_str();
        r.append_attribute("Target") = rel.target.c_str();
        if (rel.external) r.append_attribute("TargetMode") = "External";
    }
    return WriteXml(doc);
}

const Relationship* Relationships::ById(const std::string& id) const {
    if (byId_.empty() && !items_.empty())
        for (std::size_t i = items_.size(); i-- > 0;) byId_[items_[i].id] = i;  // the first of equal ids wins
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &items_[it->second];
}

const Relationship* Relationships::FirstOfType(const std::string& typeSuffix) const {
    for (const auto& r : items_)
        if (IsType(r.type, typeSuffix)) return &r;
    return nullptr;
}

std::string Relationships::Add(const std::string& type, const std::string& target, bool external) {
    for (unsigned n = static_cast<unsigned>(items_.size()) + 1;; ++n) {
        std::string id = "rId" + std::to_string(n);
        if (!ById(id)) {
            items_.push_back(Relationship{id, type, target, external});
            byId_.clear();
            return id;
        }
    }
}

bool Relationships::Remove(const std::string& id) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](const Relationship& r) { return r.id == id; });
    if (it == items_.end()) return false;
    items_.erase(it);
    byId_.clear();
    return true;
}

std::string RelsPartName(const std::string& partName) {
    const std::size_t slash = partName.rfind('/');
    if (slash == std::string::npos) return "_rels/" + partName + ".rels";
    return partName.substr(0, slash + 1) + "_rels/" + partName.substr(slash + 1) + ".rels";
}

std::string ResolveTarget(const std::string& sourcePart, const std::string& target) {
    std::string path;
    if (!target.empty() && target[0] == '/') {
        path = target.substr(1);
    } else {
        const std::size_t slash = sourcePart.rfind('/');
        path = (slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1)) + target;
    }
    std::vector<std::string> segs;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!segs.empty()) segs.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segs.push_back(std::move(seg));
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segs) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::string RelativeTarget(const std::string& sourcePart, const std::string& partName) {
    // Common folder prefix, then one ".." per remaining folder of the source.
    std::size_t common = 0;
    for (std::size_t i = 0; i < sourcePart.size() && i < partName.size() && sourcePart[i] == partName[i]; ++i)
        if (sourcePart[i] == '/') common = i + 1;
    std::string out;
    for (std::size_t i = common; i < sourcePart.size(); ++i)
        if (sourcePart[i] == '/') out += "../";
    return out + partName.substr(common);
}

bool IsType(const std::string& type, const std::string& suffix) {
    return type.size() > suffix.size() && type.compare(type.size() - suffix.size(), suffix.size(), suffix) == 0 &&
           type[type.size() - suffix.size() - 1] == '/';
}

}  // namespace zelmo::xlsx
