// Small zip helpers for the engine tests (libzip): build a package from named parts, read one back.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zelmo::xlsx::test {

using Parts = std::vector<std::pair<std::string, std::string>>;

// A zip of `parts` in order (deflated, or stored when asked); parts whose names libzip refuses
// (empty, duplicate) are left out.
std::string MakeZip(const Parts& parts, bool stored = false);
// The content of `name` in zip `bytes`, or "" when absent.
std::string ReadPart(const std::string& bytes, const std::string& name);
std::vector<std::string> PartNames(const std::string& bytes);
// Zip `bytes` made again part by part, in order: `edit` may change a part's content, or return false
// to leave the part out; the `added` parts come last.
std::string EditParts(const std::string& bytes, const std::function<bool(const std::string&, std::string&)>& edit,
                      const Parts& added = {});
// [Content_Types].xml with the defaults for .rels and .xml and one override per (part name, type).
std::string ContentTypesXml(const Parts& overrides);
// A minimal workbook with the given sheets (name, sheetData content), optional extra workbook XML
// (e.g. definedNames) and extra parts.
std::string MinimalWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                            const std::string& workbookExtra = "", const Parts& extraParts = {});
std::string ReadFile(const std::string& path);

}  // namespace zelmo::xlsx::test
