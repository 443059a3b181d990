#include "strict.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "content_types.h"
#include "part_store.h"
#include "relationships.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr std::string_view kStrictBase = "http://purl.oclc.org/ooxml/";
constexpr std::string_view kStrictRelTypes = "http://purl.oclc.org/ooxml/officeDocument/relationships/";
constexpr const char* kWorksheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

// Strict namespace URIs and their transitional counterparts.
struct UriPair {
    std::string_view strict;
    const char* transitional;
};
constexpr UriPair kNamespaces[] = {
    {"http://purl.oclc.org/ooxml/spreadsheetml/main", "http://schemas.openxmlformats.org/spreadsheetml/2006/main"},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships",
     "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {"http://purl.oclc.org/ooxml/drawingml/main", "http://schemas.openxmlformats.org/drawingml/2006/main"},
    {"http://purl.oclc.org/ooxml/drawingml/chart", "http://schemas.openxmlformats.org/drawingml/2006/chart"},
    {"http://purl.oclc.org/ooxml/drawingml/chartDrawing",
     "http://schemas.openxmlformats.org/drawingml/2006/chartDrawing"},
    {"http://purl.oclc.org/ooxml/drawingml/diagram", "http://schemas.openxmlformats.org/drawingml/2006/diagram"},
    {"http://purl.oclc.org/ooxml/drawingml/picture", "http://schemas.openxmlformats.org/drawingml/2006/picture"},
    {"http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing",
     "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"},
    {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing",
     "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
    {"http://purl.oclc.org/ooxml/drawingml/lockedCanvas",
     "http://schemas.openxmlformats.org/drawingml/2006/lockedCanvas"},
    {"http://purl.oclc.org/ooxml/drawingml/compatibility",
     "http://schemas.openxmlformats.org/drawingml/2006/compatibility"},
    {"http://purl.oclc.org/ooxml/officeDocument/sharedTypes",
     "http://schemas.openxmlformats.org/officeDocument/2006/sharedTypes"},
    {"http://purl.oclc.org/ooxml/officeDocument/extendedProperties",
     "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"},
    {"http://purl.oclc.org/ooxml/officeDocument/customProperties",
     "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties"},
    {"http://purl.oclc.org/ooxml/officeDocument/docPropsVTypes",
     "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"},
    {"http://purl.oclc.org/ooxml/officeDocument/math", "http://schemas.openxmlformats.org/officeDocument/2006/math"},
    {"http://purl.oclc.org/ooxml/officeDocument/bibliography",
     "http://schemas.openxmlformats.org/officeDocument/2006/bibliography"},
    {"http://purl.oclc.org/ooxml/officeDocument/characteristics",
     "http://schemas.openxmlformats.org/officeDocument/2006/characteristics"},
    {"http://purl.oclc.org/ooxml/officeDocument/customXml",
     "http://schemas.openxmlformats.org/officeDocument/2006/customXml"},
    {"http://purl.oclc.org/ooxml/schemaLibrary/main", "http://schemas.openxmlformats.org/schemaLibrary/2006/main"},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main",
     "http://schemas.openxmlformats.org/wordprocessingml/2006/main"},
    {"http://purl.oclc.org/ooxml/presentationml/main", "http://schemas.openxmlformats.org/presentationml/2006/main"},
};

// Relationship types whose name differs between the classes (the others keep their last segment).
constexpr UriPair kRenamedTypes[] = {
    {"extendedProperties", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties"},
    {"customProperties", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/custom-properties"},
    {"metadata/core-properties", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties"},
    {"metadata/thumbnail", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail"},
};

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The transitional counterpart of a Strict namespace URI or relationship type, or "" for any other value.
std::string TransitionalUri(std::string_view value) {
    if (!StartsWith(value, kStrictBase)) return {};
    for (const UriPair& p : kNamespaces)
        if (value == p.strict) return p.transitional;
    if (StartsWith(value, kStrictRelTypes)) {
        const std::string_view name = value.substr(kStrictRelTypes.size());
        for (const UriPair& p : kRenamedTypes)
            if (name == p.strict) return p.transitional;
        return std::string(kRelBase) + std::string(name);
    }
    return {};
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Attributes whose value is a namespace URI or a relationship type: namespace declarations, the
// Type of a relationship and the uri of a drawing's graphicData. Other attribute values and all
// text (cell contents) are left alone, whatever they say.
bool HoldsUri(std::string_view name) {
    return name == "xmlns" || StartsWith(name, "xmlns:") || name == "Type" || name == "uri";
}

struct Attribute {
    std::string_view name, value;
    char quote = '"';
    bool keep = true;
    std::string replaced;  // the new value when not empty
};

// Where the tag starting at `lt` ends ('>' outside quoted values), or npos.
std::size_t TagEnd(std::string_view xml, std::size_t lt) {
    char quote = 0;
    for (std::size_t i = lt + 1; i < xml.size(); ++i) {
        const char c = xml[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string FormatSerial(double serial) {
    char buffer[40];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, serial);
        if (std::strtod(buffer, nullptr) == serial) break;
    }
    return buffer;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// One start tag, translated, appended to `out`. When `dateCells` is set and the tag opens a cell
// of type "d", its t="d" is written last and `dateType` is set to its offset in `out`, so that it
// can be dropped once the cell's value turns out to be a date.
void RewriteStartTag(std::string_view tag, bool root, bool dropConformance, bool dateCells, std::string& out,
                     std::size_t& dateType) {
    std::size_t i = 1;
    while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != '/' && tag[i] != '>') ++i;
    const std::string_view name = tag.substr(1, i - 1);
    const bool cell = dateCells && !name.empty() && name.back() == 'c' && (name.size() == 1 || name[name.size() - 2] == ':');
    std::vector<Attribute> attrs;
    std::size_t attrsEnd = i;
    bool changed = false, dateCell = false;
    for (;;) {
        std::size_t j = i;
        while (j < tag.size() && IsSpace(tag[j])) ++j;
        if (j >= tag.size() || tag[j] == '/' || tag[j] == '>' || tag[j] == '?') break;
        const std::size_t nameBegin = j;
        while (j < tag.size() && tag[j] != '=' && !IsSpace(tag[j]) && tag[j] != '>') ++j;
        Attribute a;
        a.name = tag.substr(nameBegin, j - nameBegin);
        while (j < tag.size() && IsSpace(tag[j])) ++j;
        if (j >= tag.size() || tag[j] != '=') break;  // malformed: the parser will say so
        ++j;
        while (j < tag.size() && IsSpace(tag[j])) ++j;
        if (j >= tag.size() || (tag[j] != '"' && tag[j] != '\'')) break;
        a.quote = tag[j];
        const std::size_t close = tag.find(a.quote, j + 1);
        if (close == std::string_view::npos) break;
        a.value = tag.substr(j + 1, close - j - 1);
        if (HoldsUri(a.name)) {
            a.replaced = TransitionalUri(a.value);
            changed |= !a.replaced.empty();
        } else if (root && dropConformance && a.name == "conformance") {
            a.keep = false;
            changed = true;
        } else if (cell && a.name == "t" && a.value == "d") {
            a.keep = false;
            changed = dateCell = true;
        }
        attrs.push_back(std::move(a));
        i = attrsEnd = close + 1;
    }
    const bool selfClosed = tag.size() >= 2 && tag[tag.size() - 2] == '/';
    dateType = std::string::npos;
    if (!changed) {
        out.append(tag);
        return;
    }
    out += '<';
    out.append(name);
    for (const Attribute& a : attrs) {
        if (!a.keep) continue;
        out += ' ';
        out.append(a.name);
        out += '=';
        out += a.quote;
        out.append(a.replaced.empty() ? a.value : std::string_view(a.replaced));
        out += a.quote;
    }
    if (dateCell) {
        if (!selfClosed) dateType = out.size();
        out += " t=\"d\"";
    }
    out.append(tag.substr(attrsEnd));
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

// Reads exactly `digits` decimal digits at `at`.
bool Digits(std::string_view s, std::size_t& at, std::size_t digits, unsigned& value) {
    if (at + digits > s.size()) return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = s[at + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    at += digits;
    return true;
}

bool Expect(std::string_view s, std::size_t& at, char c) {
    if (at >= s.size() || s[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

bool IsoDateToSerial(std::string_view text, bool dateSystem1904, double& serial) {
    std::size_t at = 0;
    bool hasDate = false;
    long days = 0;
    unsigned y = 0, mo = 0, d = 0;
    if (text.size() >= 10 && text[4] == '-') {
        if (!Digits(text, at, 4, y) || !Expect(text, at, '-') || !Digits(text, at, 2, mo) || !Expect(text, at, '-') ||
            !Digits(text, at, 2, d))
            return false;
        static const unsigned kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        // 1900-02-29 exists in the 1900 date system (serial 60), as the spreadsheet program has it.
        const bool fakeLeapDay = !dateSystem1904 && y == 1900 && mo == 2 && d == 29;
        if (mo < 1 || mo > 12 || d < 1 || d > kMonthDays[mo - 1] || (mo == 2 && d == 29 && !leap && !fakeLeapDay))
            return false;
        hasDate = true;
        if (dateSystem1904) {
            days = DaysFromCivil(y, mo, d) - DaysFromCivil(1904, 1, 1);
        } else if (fakeLeapDay) {
            days = 60;
        } else {
            days = DaysFromCivil(y, mo, d) - DaysFromCivil(1899, 12, 30);
            if (days < 61) --days;  // before 1900-03-01 the serials do not count the leap day that was none
        }
        if (days < 0) return false;
        if (at < text.size() && !Expect(text, at, 'T')) return false;
    } else if (!text.empty() && text[0] == 'T') {
        ++at;
    }
    double fraction = 0;
    if (at < text.size() || !hasDate) {
        unsigned h = 0, mi = 0, s = 0;
        if (!Digits(text, at, 2, h) || !Expect(text, at, ':') || !Digits(text, at, 2, mi)) return false;
        double seconds = 0;
        if (at < text.size() && text[at] == ':') {
            ++at;
            if (!Digits(text, at, 2, s)) return false;
            seconds = s;
            if (at < text.size() && text[at] == '.') {
                double scale = 0.1;
                for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
                    seconds += (text[at] - '0') * scale;
            }
        }
        // A zone ("Z", "+09:00") is ignored: the workbook shows times as written.
        if (at < text.size()) {
            std::size_t zone = at;
            unsigned zh = 0, zm = 0;
            const bool ok = text[zone] == 'Z' ? ++zone == text.size()
                                              : (text[zone] == '+' || text[zone] == '-') && ++zone &&
                                                    Digits(text, zone, 2, zh) && Expect(text, zone, ':') &&
                                                    Digits(text, zone, 2, zm) && zone == text.size();
            if (!ok) return false;
        }
        if (h > 24 || mi > 59 || seconds >= 61 || (h == 24 && (mi || seconds > 0))) return false;
        fraction = (h * 3600.0 + mi * 60.0 + seconds) / 86400.0;
    }
    serial = static_cast<double>(days) + fraction;
    return true;
}

std::string TranslateStrictXml(std::string_view xml, bool dateCells, bool dateSystem1904, bool dropConformance) {
    std::string out;
    out.reserve(xml.size() + 256);
    bool rootSeen = false;
    // Within a date cell: where its t="d" and its value's text are in `out` (npos when outside).
    std::size_t dateType = std::string::npos, valueText = std::string::npos;
    std::string cellEnd, valueOpen, valueEnd;  // "</c>", "<v>", "</v>" with the cell's prefix
    std::size_t pos = 0;
    while (pos < xml.size()) {
        const std::size_t lt = xml.find('<', pos);
        if (lt == std::string_view::npos) {
            out.append(xml.substr(pos));
            break;
        }
        out.append(xml.substr(pos, lt - pos));
        const std::string_view rest = xml.substr(lt);
        // Comments, character data, processing instructions and declarations are copied as written.
        std::string_view closer;
        if (StartsWith(rest, "<!--")) closer = "-->";
        else if (StartsWith(rest, "<![CDATA[")) closer = "]]>";
        else if (StartsWith(rest, "<?")) closer = "?>";
        else if (StartsWith(rest, "<!")) closer = ">";
        if (!closer.empty()) {
            const std::size_t at = xml.find(closer, lt + 2);
            const std::size_t end = at == std::string_view::npos ? xml.size() : at + closer.size();
            out.append(xml.substr(lt, end - lt));
            pos = end;
            continue;
        }
        const std::size_t end = TagEnd(xml, lt);
        if (end == std::string_view::npos) {  // unterminated: left for the parser to refuse
            out.append(rest);
            break;
        }
        const std::string_view tag = xml.substr(lt, end + 1 - lt);
        pos = end + 1;
        if (tag[1] == '/') {
            if (dateType != std::string::npos && tag == valueEnd && valueText != std::string::npos) {
                // The value's text as written (dates hold no markup): a date becomes its serial
                // and the cell a number; anything else stays as it is.
                double serial = 0;
                if (IsoDateToSerial(Trim(std::string_view(out).substr(valueText)), dateSystem1904, serial)) {
                    out.resize(valueText);
                    out += FormatSerial(serial);
                    out.erase(dateType, 6);  // ' t="d"'
                }
                dateType = valueText = std::string::npos;
            } else if (tag == cellEnd) {
                dateType = valueText = std::string::npos;
            }
            out.append(tag);
            continue;
        }
        if (dateType != std::string::npos && tag == valueOpen) {
            out.append(tag);
            valueText = out.size();
            continue;
        }
        std::size_t type = std::string::npos;
        RewriteStartTag(tag, !rootSeen, dropConformance, dateCells, out, type);
        rootSeen = true;
        if (type != std::string::npos) {
            dateType = type;
            valueText = std::string::npos;
            std::size_t n = 1;
            while (n < tag.size() && !IsSpace(tag[n]) && tag[n] != '>') ++n;
            const std::string_view name = tag.substr(1, n - 1);
            const std::string prefix(name.substr(0, name.size() - 1));
            cellEnd = "</" + std::string(name) + ">";
            valueOpen = "<" + prefix + "v>";
            valueEnd = "</" + prefix + "v>";
        }
    }
    return out;
}

bool IsStrictPackage(std::string_view rootRelsXml, std::string_view workbookXml) {
    if (rootRelsXml.find("http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument") !=
        std::string_view::npos)
        return true;
    // Parsed only when it names the Strict namespace somewhere (rarely so when it is not Strict).
    if (workbookXml.find(kNsStrictMain) == std::string_view::npos) return false;
    pugi::xml_document doc;
    ParseXml(doc, workbookXml, "workbook");
    for (pugi::xml_attribute a = doc.document_element().first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(a.value(), kNsStrictMain) == 0) return true;
    return false;
}

void TranslateStrictPackage(PartStore& parts, const ContentTypes& types, const std::string& rootRelsPart) {
    // The root relationships first: they lead to the workbook part, whose date system the date
    // cells of the worksheets need.
    const std::string rootRels = TranslateStrictXml(parts.Read(rootRelsPart), false, false, false);
    parts.Write(rootRelsPart, rootRels);
    std::string workbookPart;
    const Relationships rootRelationships = Relationships::Parse(rootRels, rootRelsPart);
    if (const Relationship* doc = rootRelationships.FirstOfType("officeDocument"))
        workbookPart = parts.FindName(ResolveTarget("", doc->target));
    bool date1904 = false;
    if (!workbookPart.empty()) {
        std::string workbook = TranslateStrictXml(parts.Read(workbookPart), false, false, true);
        pugi::xml_document doc;
        ParseXml(doc, workbook, workbookPart);
        const pugi::xml_attribute a = Child(doc.document_element(), "workbookPr").attribute("date1904");
        date1904 = a && (std::strcmp(a.value(), "1") == 0 || std::strcmp(a.value(), "true") == 0);
        parts.Write(workbookPart, std::move(workbook));
    }
    for (const std::string& name : parts.Names()) {
        if (name == rootRelsPart || name == workbookPart) continue;
        const std::string type = types.TypeOf(name);
        const bool rels = name.size() > 5 && name.compare(name.size() - 5, 5, ".rels") == 0;
        const bool xml = type.size() >= 3 && type.compare(type.size() - 3, 3, "xml") == 0;
        if (!rels && !xml) continue;  // pictures, printer settings, embedded files, VML
        parts.Write(name, TranslateStrictXml(parts.Read(name), type == kWorksheetType, date1904, false));
    }
}

}  // namespace zelmo::xlsx
