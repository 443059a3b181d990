#include "shared_strings.h"

#include <pugixml.hpp>

#include <algorithm>
#include <functional>

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
            const std::size_t before = sst.blob_.size();
            AppendNode(sst.blob_, si);
            if (sst.blob_.size() == before) continue;
            sst.ends_.push_back(sst.blob_.size());
        }
    });
    return sst;
}

std::string SharedStrings::Write() const {
    std::string out;
    out.reserve(blob_.size() + 200);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    out += "<sst xmlns=\"";
    out += kNsMain;
    out += "\" count=\"" + std::to_string(std::max<std::uint64_t>(references_, Size())) + "\" uniqueCount=\"" +
           std::to_string(Size()) + "\">";
    out += blob_;
    out += "</sst>";
    return out;
}

void SharedStrings::Rehash(std::size_t buckets) {
    table_.assign(buckets, 0);
    const std::size_t mask = buckets - 1;
    for (std::size_t i = 0; i < Size(); ++i) {
        std::size_t slot = std::hash<std::string_view>()(Item(i)) & mask;
        while (table_[slot] != 0) slot = (slot + 1) & mask;
        table_[slot] = static_cast<std::uint32_t>(i + 1);
    }
}

void SharedStrings::Append(std::string_view si) {
    blob_.append(si);
    ends_.push_back(blob_.size());
    changed_ = true;
}

void SharedStrings::Truncate(std::size_t size, std::uint64_t references) {
    references_ = references;
    if (size >= Size()) return;
    blob_.resize(size == 0 ? 0 : static_cast<std::size_t>(ends_[size - 1]));
    ends_.resize(size);
    if (!table_.empty()) Rehash(table_.size());
}

std::uint32_t SharedStrings::Add(std::string_view si) {
    // Kept at most half full, so probes stay short.
    if (table_.empty() || (Size() + 1) * 2 > table_.size()) {
        std::size_t buckets = 1024;
        while (buckets < (Size() + 1) * 4) buckets *= 2;
        Rehash(buckets);
    }
    const std::size_t mask = table_.size() - 1;
    std::size_t slot = std::hash<std::string_view>()(si) & mask;
    while (table_[slot] != 0) {
        if (Item(table_[slot] - 1) == si) return table_[slot] - 1;
        slot = (slot + 1) & mask;
    }
    Append(si);
    table_[slot] = static_cast<std::uint32_t>(Size());
    return static_cast<std::uint32_t>(Size() - 1);
}

}  // namespace zelmo::xlsx
