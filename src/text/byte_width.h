// Measuring and cutting text by its width in bytes of the system's ANSI code page
// (code page 932 on Japanese Windows): a double-byte character counts 2, a single-byte one 1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zelmo::text {

// A count left the signed 16-bit range in which the helpers report their results.
class TextLimitError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// Conversion of one character of UTF-16 text to an ANSI code page.
class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // The bytes of one character (one code unit, or a surrogate pair) in the code page. A character
    // that the code page lacks comes back as the code page's default character.
    virtual std::string Encode(std::u16string_view character) const = 0;
};

// The code page that the program runs in: the system's ANSI code page on Windows, code page 932
// elsewhere (so that the portable tests measure what a Japanese Windows measures).
const AnsiCodePage& SystemCodePage();

// The character code of a converted character as a signed 16-bit value, as the system gives it:
// lead byte * 256 + trail byte for a double-byte character (negative), 0 to 255 for a single byte.
int16_t CharCode(std::string_view bytes);

// 2 for a character whose code is below 0 or above 255, 1 otherwise.
int ByteWidth(std::u16string_view character, const AnsiCodePage& codePage);

// Number of UTF-16 code units that make the character starting at s[i]: 2 for a surrogate pair
// (never split in two), 1 otherwise.
std::size_t CharacterLength(std::u16string_view s, std::size_t i);

inline constexpr std::size_t kMaxCount = 32767;

// The byte width of the whole text. Throws TextLimitError for a text of more than 32,767 code
// units or a width beyond 32,767 bytes.
int16_t LenByte(std::u16string_view s, const AnsiCodePage& codePage = SystemCodePage());

// The piece of s that starts at byte position st (1-based) and covers l bytes, cut at character
// boundaries: a start inside a double-byte character moves to the next character, and a
// double-byte character that straddles the end is included whole. Empty when st or l is below 1
// or st lies beyond the text. Throws TextLimitError when a byte count passes 32,767.
std::u16string MidByte(std::u16string_view s, double st, double l,
                       const AnsiCodePage& codePage = SystemCodePage());

}  // namespace zelmo::text
