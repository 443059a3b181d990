#include "text/byte_width.h"

namespace zelmo::text {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Adds a character's width to a running byte count, keeping the count inside 16 bits.
void AddWidth(long& count, int width) {
    count += width;
    if (count > static_cast<long>(kMaxCount)) {
        throw TextLimitError("バイト数が 32,767 を超えました。");
    }
}

}  // namespace

int16_t CharCode(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const auto first = static_cast<unsigned char>(bytes[0]);
    if (bytes.size() == 1) return static_cast<int16_t>(first);
    const auto second = static_cast<unsigned char>(bytes[1]);
    // Two bytes form one 16-bit code; lead bytes of double-byte code pages are 0x81 and up, so
    // the value is negative when read as signed.
    const auto code = static_cast<uint16_t>((first << 8) | second);
    return static_cast<int16_t>(code);
}

int ByteWidth(std::u16string_view character, const AnsiCodePage& codePage) {
    // Every ANSI code page keeps ASCII as single bytes.
    if (character.size() == 1 && character[0] < 0x80) return 1;
    const int16_t code = CharCode(codePage.Encode(character));
    return (code < 0 || code > 255) ? 2 : 1;
}

std::size_t CharacterLength(std::u16string_view s, std::size_t i) {
    if (i + 1 < s.size() && IsHighSurrogate(s[i]) && IsLowSurrogate(s[i + 1])) return 2;
    return 1;
}

int16_t LenByte(std::u16string_view s, const AnsiCodePage& codePage) {
    if (s.size() > kMaxCount) {
        throw TextLimitError("文字列が 32,767 文字を超えています。");
    }
    long total = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = CharacterLength(s, i);
        AddWidth(total, ByteWidth(s.substr(i, n), codePage));
        i += n;
    }
    return static_cast<int16_t>(total);
}

std::u16string MidByte(std::u16string_view s, double st, double l, const AnsiCodePage& codePage) {
    if (st < 1 || l < 1) return {};
    if (s.size() > kMaxCount) {
        throw TextLimitError("文字列が 32,767 文字を超えています。");
    }
    // Find the first character whose first byte lies at or after st.
    long before = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t n = CharacterLength(s, i);
        if (static_cast<double>(before + 1) >= st) break;
        AddWidth(before, ByteWidth(s.substr(i, n), codePage));
        i += n;
    }
    if (i >= s.size()) return {};

    // Collect whole characters until they cover l bytes or the text ends.
    std::u16string result;
    long taken = 0;
    while (i < s.size() && static_cast<double>(taken) < l) {
        const std::size_t n = CharacterLength(s, i);
        const std::u16string_view character = s.substr(i, n);
        AddWidth(taken, ByteWidth(character, codePage));
        result.append(character);
        i += n;
    }
    return result;
}

}  // namespace zelmo::text
