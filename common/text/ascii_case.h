// ASCII-only case folding, for the names that the package formats compare without regard to case
// (part names, extensions, defined names). Bytes outside A-Z, among them every byte of a
// multi-byte UTF-8 character, stay as they are, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace zelmo::text {

constexpr char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

// True when the two are equal but for the case of ASCII letters; allocates nothing.
constexpr bool EqualAsciiNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

}  // namespace zelmo::text
