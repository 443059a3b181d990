// How the forms look: twips to pixels at the screen's real resolution, the fonts, the panel
// window class and the drawing of buttons with a face colour of their own.
#pragma once

#include <windows.h>

#include "win/handles.h"

namespace zelmo::ui {

// Twips (1/1440 inch) to pixels at the screen's resolution: 15 twips a pixel at 96 DPI.
class TwipScale {
public:
    TwipScale();  // the screen's horizontal and vertical resolution
    TwipScale(int dpiX, int dpiY) noexcept : dpiX_(dpiX), dpiY_(dpiY) {}
    int X(int twips) const noexcept { return MulDiv(twips, dpiX_, 1440); }
    int Y(int twips) const noexcept { return MulDiv(twips, dpiY_, 1440); }
    int dpiY() const noexcept { return dpiY_; }
    // The screen's TwipsPerPixelX.
    double TwipsPerPixelX() const noexcept { return 1440.0 / dpiX_; }

private:
    int dpiX_;
    int dpiY_;
};

// A control's place in twips inside its container: its top-left corner and its size.
struct TwipRect {
    int left, top, width, height;
};

// The face of every text on the forms.
inline constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
// A Shift-JIS font of the face at a size in hundredths of a point (975 = 9.75 pt).
win::UniqueFont MakeFont(int hundredthsOfPoint, bool bold, const TwipScale& scale);

// The panel window class: a plain container with a sunken border (WS_EX_CLIENTEDGE), painted in
// the brush given as the creation parameter, passing its children's notifications up to its
// parent. Registered once per process.
const wchar_t* PanelClassName();

// Draws an owner-drawn push button in its own face colour, with the caption in `font`.
void DrawColouredButton(const DRAWITEMSTRUCT& item, COLORREF face, HFONT font);

}  // namespace zelmo::ui
