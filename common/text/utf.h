// UTF-8 and UTF-16 for portable code (the engine, the operations and their native tests): no
// Windows headers. Win32 code converts between std::wstring and UTF-8 through win/text.h, which
// encodes with ToUtf8 below and decodes by the system's rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelmo::text {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point that starts at s[i] and moves i past it. Lenient on purpose: a byte that
// does not start a complete sequence decodes as U+FFFD and is passed over alone, and overlong
// forms, surrogates and values up to 0x1FFFFF decode as their bits say (the engine measures and
// compares sheet names with it and refuses U+FFFD itself where it must).
inline char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int need = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        need = 1;
        cp = b0 & 0x1Fu;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2;
        cp = b0 & 0x0Fu;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3;
        cp = b0 & 0x07u;
    } else {
        ++i;
        return kReplacementCharacter;
    }
    for (std::size_t k = 1; k <= static_cast<std::size_t>(need); ++k) {
        const auto b = i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0;
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacementCharacter;
        }
        cp = (cp << 6) | static_cast<char32_t>(b & 0x3F);
    }
    i += static_cast<std::size_t>(need) + 1;
    return cp;
}

// The UTF-16 code units a code point takes: two beyond the Basic Multilingual Plane.
constexpr std::size_t Utf16Units(char32_t cp) { return cp >= 0x10000 ? 2 : 1; }

// Appends the UTF-8 bytes of a code point. Nothing is checked: a surrogate or a value beyond
// U+10FFFF (a character reference in a damaged part) is written as its bits say.
inline void AppendUtf8(std::string& out, std::uint64_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD, as in the system's own conversion.
inline std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacementCharacter;
        }
        AppendUtf8(out, c);
    }
    return out;
}

}  // namespace zelmo::text
