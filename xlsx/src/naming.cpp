// Sheet naming rules: which names the spreadsheet program accepts and how it makes a taken name
// unique ("Name (2)", "Name (3)", ...). Lengths count UTF-16 units, as the program does.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf.h"
#include "xlsx/workbook.h"

namespace zelmo::xlsx {
namespace {

using text::NextCodePoint;
using text::Utf16Units;

std::size_t Utf16Length(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) n += Utf16Units(NextCodePoint(s, i));
    return n;
}

// Simple case folding for the scripts sheet names are commonly written in.
char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A pairs: even upper, odd lower, except the 0x139..0x148 and 0x179..0x17E runs.
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? (c % 2 == 1) : (c % 2 == 0)) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
    return c;
}

std::u32string Folded(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) out.push_back(FoldCase(NextCodePoint(s, i)));
    return out;
}

bool IsTaken(std::string_view name, const std::vector<std::string>& taken) {
    const std::u32string folded = Folded(name);
    for (const auto& t : taken)
        if (Folded(t) == folded) return true;
    return false;
}

// The longest prefix of `s` (whole code points) within `units` UTF-16 units.
std::string_view PrefixWithin(std::string_view s, std::size_t units) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t next = i;
        const std::size_t u = Utf16Units(NextCodePoint(s, next));
        if (used + u > units) break;
        used += u;
        i = next;
    }
    return s.substr(0, i);
}

// "Name (7)" -> "Name": a copy of a copy is numbered from the original name.
std::string_view StripCopyNumber(std::string_view s) {
    if (s.size() < 4 || s.back() != ')') return s;
    std::size_t open = s.rfind(" (");
    if (open == std::string_view::npos || open == 0) return s;
    const std::string_view digits = s.substr(open + 2, s.size() - open - 3);
    if (digits.empty() || digits.size() > 9 || digits[0] == '0') return s;
    for (char ch : digits)
        if (ch < '0' || ch > '9') return s;
    return s.substr(0, open);
}

}  // namespace

bool IsValidSheetName(std::string_view utf8) {
    const std::size_t len = Utf16Length(utf8);
    if (len < 1 || len > 31) return false;
    if (utf8.front() == '\'' || utf8.back() == '\'') return false;
    for (char ch : utf8) {
        switch (ch) {
            case '[': case ']': case ':': case '*': case '?': case '/': case '\\': return false;
            default: break;
        }
    }
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (cp == 0xFFFD || cp < 0x20) return false;  // malformed UTF-8 or control characters
    }
    return !SheetNamesEqual(utf8, "History");
}

bool SheetNamesEqual(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

std::string UniqueSheetName(std::string_view wanted, const std::vector<std::string>& taken) {
    if (!IsTaken(wanted, taken)) return std::string(wanted);
    const std::string_view stem = StripCopyNumber(wanted);
    for (unsigned n = 2;; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        std::string candidate(PrefixWithin(stem, 31 - suffix.size()));
        candidate += suffix;
        if (!IsTaken(candidate, taken)) return candidate;
    }
}

}  // namespace zelmo::xlsx
