#include "shared_strings.h"

#include <pugixml.hpp>

#include <algorithm>

#include "xml_util.h"

namespace zelmo::xlsx {
SharedStrings SharedStrings::Parse(std::string_view xml, const std::string& partName) {
    SharedStrings sst;
    // Only the root's start tag is parsed as a document; the items are parsed in pieces.
    const std::size_t rootStart = xml.find("sst");
    std::string prefix;
    if (rootStart != std::string_view::npos && rootStart > 0 && xml[rootStart - 1] == ':') {
        const std::size_t lt = xml.rfind('<', rootStart);
        if (lt != std::string_view::npos) prefix = std::string(xml.substr(lt + 1, rootStart - lt - 1));
    }
    const SplitPart split = SplitAround(xml, prefix + "sst");
    if (!split.found) {
        pugi::xml_document probe;
        ParseXml(probe, xml, partName);  // says "corrupt" if it is not XML at all
        return sst;
    }
    {
        pugi::xml_document head;
        std::string headXml(split.head);
        if (!split.selfClosed) headXml += "</" + prefix + "sst>";
        ParseXml(head, headXml, partName);
        std::uint32_t count = 0;
        if (ParseIndex(head.document_element().attribute("count").value(), count)) sst.references_ = count;
    }
    ForEachChunk(split.body, prefix + "si", 1 << 20, partName, [&](pugi::xml_document& doc, std::string_view) {
        for (pugi::xml_node si = doc.first_child(); si; si = si.next_sibling()) {
            if (si.type() != pugi::node_element) continue;
            StripPrefix(si, prefix);
            std::string raw;
            AppendNode(raw, si);
            sst.items_.push_back(std::move(raw));
        }
    });
    return sst;
}

std::string SharedStrings::Write() const {
    std::size_t size = 200;
    for (const auto& s : items_) size += s.size();
    std::string out;
    out.reserve(size);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    out += "<sst xmlns=\"";
    out += kNsMain;
    out += "\" count=\"" + std::to_string(std::max<std::uint64_t>(references_, items_.size())) +
           "\" uniqueCount=\"" + std::to_string(items_.size()) + "\">";
    for (const auto& s : items_) out += s;
    out += "</sst>";
    return out;
}

void SharedStrings::BuildIndex() {
    index_.reserve(items_.size() * 2);
    for (std::size_t i = 0; i < items_.size(); ++i)
        index_.emplace(std::string_view(items_[i]), static_cast<std::uint32_t>(i));
    indexed_ = true;
}

void SharedStrings::Truncate(std::size_t size, std::uint64_t references) {
    references_ = references;
    if (size >= items_.size()) return;
    for (std::size_t i = size; i < items_.size(); ++i) index_.erase(std::string_view(items_[i]));
    items_.resize(size);
}

std::uint32_t SharedStrings::Add(const std::string& si) {
    if (!indexed_) BuildIndex();
    auto it = index_.find(std::string_view(si));
    if (it != index_.end()) return it->second;
    // The index holds views into the items: reserve so that adding never moves the strings' owners
    // (std::string's buffers do not move with the vector, but small strings live inside it).
    if (items_.size() == items_.capacity()) {
        items_.reserve(items_.size() * 2 + 16);
        index_.clear();
        for (std::size_t i = 0; i < items_.size(); ++i)
            index_.emplace(std::string_view(items_[i]), static_cast<std::uint32_t>(i));
    }
    items_.push_back(si);
    const auto idx = static_cast<std::uint32_t>(items_.size() - 1);
    index_.emplace(std::string_view(items_.back()), idx);
    changed_ = true;
    return idx;
}

}  // namespace zelmo::xlsx
