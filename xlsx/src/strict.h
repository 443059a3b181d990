// Packages written in the Strict conformance class of Open XML: the same parts and elements as the
// common (transitional) class, under other namespace URIs and relationship types. They are
// translated to the transitional names when the package is read, so the rest of the engine sees one
// kind of workbook and a workbook made from one is saved transitional.
#pragma once

#include <string>
#include <string_view>

namespace zelmo::xlsx {

class PartStore;
class ContentTypes;

// True when the package's root relationships name the workbook part with the Strict type, or the
// workbook part `workbookXml` (may be empty) is in the Strict main namespace.
bool IsStrictPackage(std::string_view rootRelsXml, std::string_view workbookXml);

// Rewrites every XML part of `parts` (the root relationships `rootRelsPart` lead to the workbook)
// with the transitional namespaces and relationship types, drops the workbook's `conformance`
// attribute and turns ISO 8601 date cells (t="d") of worksheets into date serials of the
// workbook's date system.
void TranslateStrictPackage(PartStore& parts, const ContentTypes& types, const std::string& rootRelsPart);

// One part's text translated; `dateSystem1904` applies to date cells, which are converted only
// when `dateCells` is set (worksheets); `dropConformance` removes the workbook root's attribute.
std::string TranslateStrictXml(std::string_view xml, bool dateCells, bool dateSystem1904, bool dropConformance);

// The serial of an ISO 8601 date or date-time ("2024-03-01", "2024-03-01T12:30:00", "12:30:00") in
// the 1900 (with its leap-day 1900-02-29) or 1904 date system; false when `text` is no such value or
// lies before the system's first day.
bool IsoDateToSerial(std::string_view text, bool dateSystem1904, double& serial);

}  // namespace zelmo::xlsx
