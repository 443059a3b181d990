// Relationship parts (*.rels): reading, resolving targets to part names, and writing.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace zelmo::xlsx {

inline constexpr const char* kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct Relationship {
    std::string id;
    std::string type;    // full type URI
    std::string target;  // as written
    bool external = false;
};

class Relationships {
public:
    // Parses a .rels part (an empty string gives no relationships).
    static Relationships Parse(const std::string& xml, const std::string& partName);
    std::string Write() const;

    const std::vector<Relationship>& All() const { return items_; }
    const Relationship* ById(const std::string& id) const;
    const Relationship* FirstOfType(const std::string& typeSuffix) const;
    // Adds a relationship with a fresh id "rIdN" and returns the id.
    std::string Add(const std::string& type, const std::string& target, bool external = false);
    // Adds one keeping its id (used when a part's own relationships are rebuilt).
    void AddWithId(Relationship rel) {
        items_.push_back(std::move(rel));
        byId_.clear();
    }
    bool Remove(const std::string& id);

private:
    std::vector<Relationship> items_;
    // Index of items_ by id, built on the first look-up after a change (a workbook may have
    // thousands of sheets, each looked up by id).
    mutable std::unordered_map<std::string, std::size_t> byId_;
};

// The .rels part name of a part: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string RelsPartName(const std::string& partName);
// Resolves a relationship target written in `sourcePart`'s rels to a part name without a leading '/'.
std::string ResolveTarget(const std::string& sourcePart, const std::string& target);
// The target to write in `sourcePart`'s rels for `partName` (relative to the source's folder).
std::string RelativeTarget(const std::string& sourcePart, const std::string& partName);
// True when the type URI ends with "/suffix".
bool IsType(const std::string& type, const std::string& suffix);

}  // namespace zelmo::xlsx
