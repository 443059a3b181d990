// pugixml helpers shared by the parts: parsing with the engine's errors, writing to strings, and
// walking a large container element (sheetData, sst) in bounded pieces so a big part never becomes
// one huge document tree.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zelmo::xlsx {

inline constexpr const char* kNsMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char* kNsRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kNsStrictMain = "http://purl.oclc.org/ooxml/spreadsheetml/main";

// Keeps whitespace-only text such as <t xml:space="preserve"> </t>.
inline constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

// Parses `xml` into `doc`; throws Error Corrupt naming `part` when it is not well-formed.
void ParseXml(pugi::xml_document& doc, std::string_view xml, const std::string& part);

// The document with its XML declaration, no indentation.
std::string WriteXml(const pugi::xml_document& doc);
// One node as raw XML, appended to `out`.
void AppendNode(std::string& out, const pugi::xml_node& node);

// The local name of a possibly prefixed element or attribute name ("x:row" -> "row").
std::string_view LocalName(const char* name);
// The prefix ("x:") the root element uses, or "" for the default namespace.
std::string ElementPrefix(const pugi::xml_node& node);
// Finds the first child element with the local name (any prefix).
pugi::xml_node Child(const pugi::xml_node& parent, std::string_view localName);
// The prefixes ("r:") bound to the relationships namespace on the node and its ancestors.
std::string RelationshipPrefix(const pugi::xml_node& node);

// A big part split around one container element: `head` up to and including the container's
// start tag, `body` its content, `tail` from its end tag on. `found` is false when the part has no
// such container (head holds the whole part then); `selfClosed` when it is written <name/>.
struct SplitPart {
    std::string_view head, body, tail;
    bool found = false;
    bool selfClosed = false;
};
SplitPart SplitAround(std::string_view xml, std::string_view qualifiedName);

// Calls `fn` with documents holding consecutive runs of the children of a container's `body`,
// each run ending at a `</qualifiedChild>` boundary, about `chunkBytes` of text at a time, and with
// the text of that run. Element prefixes are kept as written (pugixml does not resolve namespaces).
void ForEachChunk(std::string_view body, std::string_view qualifiedChild, std::size_t chunkBytes,
                  const std::string& part, const std::function<void(pugi::xml_document&, std::string_view)>& fn);

// Calls `visit(n)` for every node below `root` in document order, without recursion: the engine
// takes documents nested far deeper than a call stack would allow. Where `visit` returns false, the
// nodes below `n` are skipped (`n` may then be one to remove afterwards, never during the walk).
template <class Visit>
void ForEachDescendant(pugi::xml_node root, Visit&& visit) {
    for (pugi::xml_node n = root.first_child(); n;) {
        if (visit(n) && n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling()) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }
}

// Renames "x:name" elements below and including `node` to "name" (prefix given as "x:"); used when a
// part bound the main namespace to a prefix and its elements move into a part that does not.
void StripPrefix(pugi::xml_node node, const std::string& prefix);

// Parses a non-negative decimal integer; false when the text is anything else.
bool ParseIndex(const char* text, std::uint32_t& value);

}  // namespace zelmo::xlsx
