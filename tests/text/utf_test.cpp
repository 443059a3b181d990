// The portable UTF-8 pieces and the error-code writer of common/text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/hex_code.h"
#include "text/utf.h"

namespace zelmo::text {
namespace {

std::vector<char32_t> Decode(std::string_view s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) out.push_back(NextCodePoint(s, i));
    return out;
}

TEST(Utf8, EncodesEveryLengthAndUnpairedSurrogatesAsReplacement) {
    EXPECT_EQ(ToUtf8(u"Book1"), "Book1");
    EXPECT_EQ(ToUtf8(u"\u00E9\u3042"), "\xC3\xA9\xE3\x81\x82");
    EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD83D))), "\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDE00))), "\xEF\xBF\xBD");
    // A high surrogate followed by something else: the half alone is replaced, the rest kept.
    EXPECT_EQ(ToUtf8(std::u16string{char16_t(0xD83D), u'a'}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(ToUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8, EachCodePointAtTheEdgesOfALengthReadsBack) {
    for (char32_t cp : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string bytes;
        AppendUtf8(bytes, cp);
        EXPECT_EQ(bytes.size(), cp < 0x80 ? 1u : cp < 0x800 ? 2u : cp < 0x10000 ? 3u : 4u);
        EXPECT_EQ(Decode(bytes), std::vector<char32_t>{cp});
        EXPECT_EQ(Utf16Units(cp), cp < 0x10000 ? 1u : 2u);
    }
}

TEST(Utf8, TheDecoderIsLenientByteByByte) {
    // A sequence cut short: its lead byte alone becomes U+FFFD, and so does each orphan that follows.
    EXPECT_EQ(Decode("\xE3\x81" "A"), (std::vector<char32_t>{0xFFFD, 0xFFFD, U'A'}));
    EXPECT_EQ(Decode("\xFF"), std::vector<char32_t>{0xFFFD});
    EXPECT_EQ(Decode("\xE3\x81"), (std::vector<char32_t>{0xFFFD, 0xFFFD}));
    // Overlong forms and encoded surrogates decode as their bits say.
    EXPECT_EQ(Decode("\xC0\xAF"), std::vector<char32_t>{U'/'});
    EXPECT_EQ(Decode("\xED\xA0\x80"), std::vector<char32_t>{0xD800});
}

TEST(HexCode, EightUpperCaseDigitsInEveryStringType) {
    EXPECT_EQ(HexCode<char>(0x800A03ECu), "0x800A03EC");
    EXPECT_EQ(HexCode<char16_t>(0u), u"0x00000000");
    EXPECT_EQ(HexCode<wchar_t>(0xFFFFFFFFu), L"0xFFFFFFFF");
    EXPECT_EQ(HexCode<wchar_t>(0x1Au), L"0x0000001A");
}

}  // namespace
}  // namespace zelmo::text
