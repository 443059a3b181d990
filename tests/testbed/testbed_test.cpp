// Checks of the Wine test bed itself: the Japanese locale, a Japanese caption through a real
// window, and fonts that have real glyphs for Japanese text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TestBed, AnsiCodePageIsJapanese) {
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), LANG_JAPANESE);
}

TEST(TestBed, JapaneseCaptionRoundTripsThroughAWindow) {
    const wchar_t caption[] = L"Excelゼルモ_2013 Ver0";
    HWND hwnd = CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    wchar_t wide[64] = {};
    GetWindowTextW(hwnd, wide, 64);
    EXPECT_EQ(std::wstring(wide), caption);

    // The ANSI view of the same caption is its code page 932 form.
    char ansi[64] = {};
    GetWindowTextA(hwnd, ansi, 64);
    EXPECT_EQ(std::string(ansi), "Excel\x83\x5B\x83\x8B\x83\x82_2013 Ver0");
    EXPECT_EQ(FindWindowW(nullptr, caption), hwnd);
    DestroyWindow(hwnd);
}

TEST(TestBed, JapaneseFontsHaveGlyphs) {
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    for (const wchar_t* face : {L"ＭＳ Ｐゴシック", L"MS UI Gothic", L"MS Shell Dlg"}) {
        HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH, face);
        ASSERT_NE(font, nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        WORD glyphs[4] = {};
        const wchar_t text[] = L"漢あア";
        ASSERT_EQ(GetGlyphIndicesW(dc, text, 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 3u);
        for (WORD g : {glyphs[0], glyphs[1], glyphs[2]}) {
            EXPECT_NE(g, 0xFFFF) << "no glyph in the font behind " << static_cast<const void*>(face);
        }
        SelectObject(dc, old);
        DeleteObject(font);
    }
    ReleaseDC(nullptr, dc);
}

}  // namespace
