// The byte-width helpers, run natively (code page 932 through iconv) and under Wine (the
// system's ANSI code page, 932 in the test prefix).
#include "text/byte_width.h"

#include <gtest/gtest.h>

#include <string>

namespace zelmo::text {
namespace {

struct LenCase {
    const char* what;
    std::u16string text;
    int expected;
};

TEST(LenByte, CountsDoubleByteCharactersTwice) {
    const LenCase cases[] = {
        {"empty", u"", 0},
        {"three ASCII letters", u"abc", 3},
        {"three hiragana", u"あいう", 6},
        {"ASCII letter and kanji", u"a漢", 3},
        {"half-width katakana", u"ｱ", 1},
        {"half-width katakana with voiced mark", u"ｶﾞ", 2},
        {"full-width letters and digits", u"ＡＢ１", 6},
        {"yen sign and backslash", u"\\", 1},
        {"Hangul, which the code page lacks", u"가", 1},
        {"accented letter", u"é", 1},
        {"surrogate pair, one character the code page lacks", u"\U0001F600", 1},
        {"CJK extension B in a text", u"a\U0002000Bb", 3},
        {"lone high surrogate", std::u16string(1, char16_t(0xD83D)), 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LenByte(c.text), c.expected) << c.what;
    }
}

TEST(LenByte, SixteenBitLimits) {
    // Exactly 32,767 characters is a valid text whose width fits.
    EXPECT_EQ(LenByte(std::u16string(32767, u'a')), 32767);
    EXPECT_THROW(LenByte(std::u16string(32768, u'a')), TextLimitError);
    // 16,383 kanji and one letter: 32,767 bytes; one more kanji passes the limit.
    EXPECT_EQ(LenByte(std::u16string(16383, u'漢') + u"a"), 32767);
    EXPECT_THROW(LenByte(std::u16string(16384, u'漢')), TextLimitError);
}

struct MidCase {
    double st;
    double l;
    std::u16string expected;
};

TEST(MidByte, CutsAtCharacterBoundaries) {
    // Letters at bytes 1 to 3, the kanji at 4-5, 6-7 and 8-9.
    const std::u16string s = u"abc漢字仮";
    const MidCase cases[] = {
        {1, 3, u"abc"},
        {4, 2, u"漢"},
        {5, 2, u"字"},         // byte 5 lies inside the first kanji
        {4, 3, u"漢字"},       // the straddling kanji is taken whole
        {3, 100, u"c漢字仮"},
        {10, 1, u""},
        {10, 100, u""},
        {0, 3, u""},
        {1, 0, u""},
        {-1, 5, u""},
        {1, 0.5, u""},
        {4.5, 2, u"字"},       // fractions are compared as they are, not rounded
        {1, 1.5, u"ab"},
        {9, 1, u""},           // the last byte of the last kanji starts nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MidByte(s, c.st, c.l), c.expected) << "st=" << c.st << " l=" << c.l;
    }
}

TEST(MidByte, EmptyTextAndSurrogatePairs) {
    for (double st : {-1.0, 0.0, 1.0, 2.0, 40000.0}) {
        for (double l : {-1.0, 0.0, 1.0, 100.0}) {
            EXPECT_EQ(MidByte(u"", st, l), u"");
        }
    }
    // A surrogate pair is one character: never cut in half.
    const std::u16string s = u"a\U0001F600b";
    EXPECT_EQ(MidByte(s, 2, 1), u"\U0001F600");
    EXPECT_EQ(MidByte(s, 3, 1), u"b");
    EXPECT_EQ(MidByte(s, 1, 2), u"a\U0001F600");
}

TEST(MidByte, SixteenBitLimits) {
    // Walking to the end of a text of exactly 32,767 characters is fine.
    const std::u16string full(32767, u'a');
    EXPECT_EQ(MidByte(full, 32767, 5), u"a");
    EXPECT_EQ(MidByte(full, 1, 40000).size(), 32767u);
    EXPECT_THROW(MidByte(std::u16string(32768, u'a'), 1, 1), TextLimitError);
    // A byte count beyond 32,767 while walking or collecting is an error, never a wrong piece.
    const std::u16string kanji(16384, u'漢');
    EXPECT_THROW(MidByte(kanji, 40000, 1), TextLimitError);
    EXPECT_THROW(MidByte(kanji, 1, 40000), TextLimitError);
    EXPECT_EQ(MidByte(kanji, 1, 2), u"漢");
}

TEST(CharCode, SignedSixteenBitCodes) {
    EXPECT_EQ(CharCode("A"), 65);
    EXPECT_EQ(CharCode("\xB1"), 177);                  // half-width katakana
    EXPECT_EQ(CharCode("\x8A\xBF"), int16_t(-30017));  // 0x8ABF as signed 16 bits
    EXPECT_EQ(SystemCodePage().Encode(u"漢"), "\x8A\xBF");
}

}  // namespace
}  // namespace zelmo::text
