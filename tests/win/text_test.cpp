// The core's text conversions, against what the system itself does, and its writing of error codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/utf.h"
#include "win/com_error.h"
#include "win/text.h"

namespace zelmo::win {
namespace {

std::string SystemUtf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

TEST(WinText, Utf8IsWhatTheSystemWritesLoneSurrogatesIncluded) {
    const std::wstring cases[] = {
        L"", L"Book1.xlsx", L"新ExcelFile.xlsx", L"\xD83D\xDE00",  // U+1F600 as a pair
        std::wstring(1, L'\xD83D'), std::wstring(1, L'\xDE00'), std::wstring(L"a\xD83D" L"b"),
        std::wstring(L"\xDE00\xD83D"),  // a pair in the wrong order is two lone halves
    };
    for (const std::wstring& text : cases) {
        EXPECT_EQ(ToUtf8(text), SystemUtf8(text)) << "case of " << text.size() << " units";
        EXPECT_EQ(ToUtf8(text).empty(), text.empty());
    }
    EXPECT_EQ(ToUtf8(std::wstring(1, L'\xD800')), "\xEF\xBF\xBD");
}

TEST(WinText, Utf8ReadsBackAndWideCarriesOverUnchanged) {
    const std::wstring text = L"ブック「月次」\xD83D\xDE00.xlsx";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToWide(ToU16(text)), text);
    EXPECT_EQ(ToU16(text).size(), text.size());
    EXPECT_EQ(FromUtf8(""), L"");
}

TEST(WinText, TheSystemsDecoderIsStricterThanTheEnginesOnOverlongForms) {
    // "\xC0\xAF" is an overlong '/'. The engine's lenient decoder, which only measures and compares
    // names, reads it as '/'; the conversion the server shows text with refuses it.
    const std::string overlong = "\xC0\xAF";
    size_t i = 0;
    EXPECT_EQ(text::NextCodePoint(overlong, i), U'/');
    const std::wstring shown = FromUtf8(overlong);
    EXPECT_EQ(shown.find(L'/'), std::wstring::npos);
    EXPECT_NE(shown.find(L'\xFFFD'), std::wstring::npos);
    // Both turn a byte that starts nothing into U+FFFD.
    EXPECT_EQ(FromUtf8("a\xFF" "b"), L"a\xFFFD" L"b");
}

TEST(WinText, AnsiCodePageReportsWhatItLacks) {
    if (GetACP() != 932) GTEST_SKIP() << "the test bed runs in code page 932";
    bool lacking = true;
    EXPECT_EQ(ToAnsi(L"あA", &lacking), "\x82\xA0" "A");
    EXPECT_FALSE(lacking);
    EXPECT_EQ(ToAnsi(L"\xD83D\xDE00", &lacking).empty(), false);
    EXPECT_TRUE(lacking);
    EXPECT_EQ(ToAnsi(L""), "");
}

TEST(WinText, ErrorCodesAreWrittenAsEightUpperCaseHexDigits) {
    EXPECT_EQ(HexCode(E_ACCESSDENIED), L"0x80070005");
    EXPECT_EQ(HexCode(static_cast<HRESULT>(0x800A03EC)), L"0x800A03EC");
    EXPECT_EQ(HexCode(S_FALSE), L"0x00000001");
}

}  // namespace
}  // namespace zelmo::win
