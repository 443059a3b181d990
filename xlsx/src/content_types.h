// [Content_Types].xml: the content type of each part, by override or by extension default.
#pragma once

#include <map>
#include <string>

namespace zelmo::xlsx {

class ContentTypes {
public:
    static ContentTypes Parse(const std::string& xml);
    std::string Write() const;

    // The content type of a part name (no leading '/'), or "" when unknown.
    std::string TypeOf(const std::string& partName) const;
    void SetOverride(const std::string& partName, const std::string& type) { overrides_[partName] = type; }
    void RemoveOverride(const std::string& partName) { overrides_.erase(partName); }
    // Makes `partName` have `type`, by the extension default when it fits, else by an override.
    void Ensure(const std::string& partName, const std::string& type);

private:
    std::map<std::string, std::string> defaults_;   // lower-case extension -> type
    std::map<std::string, std::string> overrides_;  // part name -> type
};

}  // namespace zelmo::xlsx
