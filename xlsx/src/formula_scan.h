// Reading formula text as the reference rewrites scan it: string literals (never touched), the
// characters of names, quoted sheet names and the sheet prefixes of 3-D references.
#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace zelmo::xlsx {

// A character of a sheet name that needs no apostrophes.
inline bool SheetNameChar(char ch) {
    const auto u = static_cast<unsigned char>(ch);
    return std::isalnum(u) || u == '_' || u == '.' || u >= 0x80;
}

// A character of a defined name or a table name (these may also hold a backslash).
inline bool DefinedNameChar(char ch) { return SheetNameChar(ch) || ch == '\\'; }

// At a string literal ("..."), moves `i` past it, or to the end of the formula when it is not
// closed; false, leaving `i`, when f[i] starts none.
inline bool SkipStringLiteral(std::string_view f, std::size_t& i) {
    if (f[i] != '"') return false;
    const std::size_t close = f.find('"', i + 1);
    i = close == std::string_view::npos ? f.size() : close + 1;
    return true;
}

// Reads the sheet name in apostrophes at f[i] ("'It''s'"), unescaped, into `name`; true when "!"
// follows. `end` is past the "!", or past the closing apostrophe when no "!" follows.
bool ReadQuotedSheet(const std::string& f, std::size_t i, std::string& name, std::size_t& end);

// A 3-D reference's sheets as a formula writes them: "[1]A:C!" or "'[1]A b:C'!" (`book` may be "").
std::string ThreeDPrefix(const std::string& book, const std::string& first, const std::string& last);

// Rewrites the sheet prefixes that end in "!" outside string literals: quoted ones ("'Jan 1:Mar 3'!",
// read unescaped) and bare ones. `bareFrom(f, i)` says whether a bare prefix may start at f[i]: where
// its sheet names start (after a "[1]", say), or npos. `replace(token, replacement)` is given a
// prefix's text without the "!" ("Sheet1:Sheet3", "[1]A b:C") and fills the text that takes the
// place of the whole prefix, "!" included, or returns false to leave it. True when anything changed.
template <class BareFrom, class Replace>
bool RewriteSheetPrefixes(std::string& f, BareFrom bareFrom, Replace replace) {
    bool changed = false;
    std::size_t i = 0;
    while (i < f.size()) {
        if (SkipStringLiteral(f, i)) continue;
        std::size_t end = std::string::npos;
        std::string token;
        if (f[i] == '\'') {
            if (!ReadQuotedSheet(f, i, token, end)) {
                i = end;
                continue;
            }
        } else if (std::size_t j = bareFrom(f, i); j != std::string::npos) {
            while (j < f.size() && (SheetNameChar(f[j]) || f[j] == ':')) ++j;
            if (j >= f.size() || f[j] != '!') {
                i = j;
                continue;
            }
            token = f.substr(i, j - i);
            end = j + 1;
        } else {
            ++i;
            continue;
        }
        std::string replacement;
        if (!replace(token, replacement)) {
            i = end;
            continue;
        }
        f.replace(i, end - i, replacement);
        i += replacement.size();
        changed = true;
    }
    return changed;
}

}  // namespace zelmo::xlsx
