#include "content_types.h"

#include <pugixml.hpp>

#include "text/ascii_case.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

using text::EqualAsciiNoCase;
using text::LowerAscii;

std::string Extension(const std::string& partName) {
    const std::size_t dot = partName.rfind('.');
    const std::size_t slash = partName.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return LowerAscii(std::string_view(partName).substr(dot + 1));
}

}  // namespace

ContentTypes ContentTypes::Parse(const std::string& xml) {
    ContentTypes ct;
    pugi::xml_document doc;
    ParseXml(doc, xml, "[Content_Types].xml");
    for (pugi::xml_node n = doc.document_element().first_child(); n; n = n.next_sibling()) {
        const std::string_view local = LocalName(n.name());
        if (local == "Default") {
            ct.defaults_[LowerAscii(n.attribute("Extension").value())] = n.attribute("ContentType").value();
        } else if (local == "Override") {
            std::string name = n.attribute("PartName").value();
            if (!name.empty() && name[0] == '/') name.erase(0, 1);
            ct.overrides_[name] = n.attribute("ContentType").value();
        }
    }
    return ct;
}

std::string ContentTypes::Write() const {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Types");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/content-types";
    for (const auto& kv : defaults_) {
        pugi::xml_node d = root.append_child("Default");
        d.append_attribute("Extension") = kv.first.c_str();
        d.append_attribute("ContentType") = kv.second.c_str();
    }
    for (const auto& kv : overrides_) {
        pugi::xml_node o = root.append_child("Override");
        o.append_attribute("PartName") = ("/" + kv.first).c_str();
        o.append_attribute("ContentType") = kv.second.c_str();
    }
    return WriteXml(doc);
}

std::string ContentTypes::TypeOf(const std::string& partName) const {
    // Part names compare without regard to case. The part's own entry, as written, is found at
    // once; another casing of it is looked for only when there is none.
    if (const auto exact = overrides_.find(partName); exact != overrides_.end()) return exact->second;
    for (const auto& kv : overrides_)
        if (EqualAsciiNoCase(kv.first, partName)) return kv.second;
    auto it = defaults_.find(Extension(partName));
    return it == defaults_.end() ? std::string() : it->second;
}

void ContentTypes::Ensure(const std::string& partName, const std::string& type) {
    const std::string ext = Extension(partName);
    auto it = defaults_.find(ext);
    if (it != defaults_.end() && it->second == type) {
        overrides_.erase(partName);
        return;
    }
    if (it == defaults_.end() && !ext.empty() && ext != "xml") {
        defaults_[ext] = type;
        return;
    }
    overrides_[partName] = type;
}

}  // namespace zelmo::xlsx
