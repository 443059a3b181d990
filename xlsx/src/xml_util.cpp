#include "xml_util.h"

#include <cstring>
#include <vector>

#include "messages.h"

namespace zelmo::xlsx {
namespace {

struct StringWriter : pugi::xml_writer {
    explicit StringWriter(std::string& s) : out(s) {}
    void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
    std::string& out;
};

}  // namespace

namespace {

// pugixml never expands entities, but a part with a DTD is no part any spreadsheet program writes;
// it is refused rather than carried into a copy (doctype nodes are kept by the parse to see them).
void RefuseDoctype(const pugi::xml_node& top, const std::string& part) {
    for (pugi::xml_node n = top.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_doctype) throw Error(ErrorKind::Corrupt, msg::Corrupt(part + " に DTD (DOCTYPE) が含まれています"));
}

}  // namespace

void ParseXml(pugi::xml_document& doc, std::string_view xml, const std::string& part) {
    const pugi::xml_parse_result r =
        doc.load_buffer(xml.data(), xml.size(), kParseOptions | pugi::parse_doctype, pugi::encoding_auto);
    if (!r || !doc.document_element())
        throw Error(ErrorKind::Corrupt, msg::Corrupt(part + " の XML を読み取れません"));
    RefuseDoctype(doc, part);
}

std::string WriteXml(const pugi::xml_document& doc) {
    std::string out;
    StringWriter w(out);
    doc.save(w, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n" + out;
}

void AppendNode(std::string& out, const pugi::xml_node& node) {
    StringWriter w(out);
    node.print(w, "", pugi::format_raw, pugi::encoding_utf8);
}

std::string_view LocalName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

std::string ElementPrefix(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strchr(name, ':');
    return colon ? std::string(name, static_cast<std::size_t>(colon - name) + 1) : std::string();
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view localName) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c.name()) == localName) return c;
    return {};
}

std::string RelationshipPrefix(const pugi::xml_node& node) {
    for (pugi::xml_node n = node; n; n = n.parent())
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            if (std::strncmp(a.name(), "xmlns:", 6) == 0 && std::strcmp(a.value(), kNsRel) == 0)
                return std::string(a.name() + 6) + ":";
    return "r:";
}

SplitPart SplitAround(std::string_view xml, std::string_view qualifiedName) {
    SplitPart p;
    p.head = xml;
    const std::string open = "<" + std::string(qualifiedName);
    std::size_t at = 0;
    for (;;) {
        at = xml.find(open, at);
        if (at == std::string_view::npos) return p;
        const char next = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
        if (next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\r' || next == '\n') break;
        at += open.size();
    }
    const std::size_t gt = xml.find('>', at);
    if (gt == std::string_view::npos) return p;
    p.found = true;
    if (xml[gt - 1] == '/') {
        p.selfClosed = true;
        p.head = xml.substr(0, at);
        p.tail = xml.substr(gt + 1);
        return p;
    }
    const std::string close = "</" + std::string(qualifiedName) + ">";
    const std::size_t end = xml.rfind(close);
    if (end == std::string_view::npos || end < gt) {
        p.found = false;
        return p;
    }
    p.head = xml.substr(0, gt + 1);
    p.body = xml.substr(gt + 1, end - gt - 1);
    p.tail = xml.substr(end);
    return p;
}

void ForEachChunk(std::string_view body, std::string_view qualifiedChild, std::size_t chunkBytes,
                  const std::string& part, const std::function<void(pugi::xml_document&, std::string_view)>& fn) {
    const std::string close = "</" + std::string(qualifiedChild) + ">";
    std::vector<char> buffer;
    std::size_t pos = 0;
    pugi::xml_document doc;
    while (pos < body.size()) {
        std::size_t end = body.size();
        if (body.size() - pos > chunkBytes) {
            const std::size_t found = body.find(close, pos + chunkBytes);
            if (found != std::string_view::npos) end = found + close.size();
        }
        // Empty rows (<row .../>) may follow the last closing tag; they stay in the next chunk,
        // which always ends at a closing tag or at the end of the body.
        buffer.assign(body.data() + pos, body.data() + end);
        const pugi::xml_parse_result r = doc.load_buffer_inplace(buffer.data(), buffer.size(),
                                                                 kParseOptions | pugi::parse_fragment | pugi::parse_doctype,
                                                                 pugi::encoding_utf8);
        if (!r) throw Error(ErrorKind::Corrupt, msg::Corrupt(part + " の XML を読み取れません"));
        RefuseDoctype(doc, part);
        fn(doc, body.substr(pos, end - pos));
        doc.reset();
        pos = end;
    }
}

void StripPrefix(pugi::xml_node node, const std::string& prefix) {
    if (prefix.empty()) return;
    auto strip = [&](pugi::xml_node n) {
        if (n.type() == pugi::node_element && std::strncmp(n.name(), prefix.c_str(), prefix.size()) == 0) {
            const std::string local(n.name() + prefix.size());  // set_name must not read its own buffer
            n.set_name(local.c_str());
        }
        return true;
    };
    strip(node);
    ForEachDescendant(node, strip);
}

bool ParseIndex(const char* text, std::uint32_t& value) {
    if (!text || !*text) return false;
    std::uint64_t v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(*p - '0');
        if (v > 0xFFFFFFFFu) return false;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

}  // namespace zelmo::xlsx
