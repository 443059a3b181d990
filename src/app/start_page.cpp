#include "app/start_page.h"

#include <memory>

#include "ui/handler_boundary.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/resources.h"

namespace zelmo::app {
namespace {

constexpr int kLabelId = 100;
constexpr int kStartId = 101;

// Fixed single border, control menu and close box only; the client area's top-left corner at
// 6015, 5325 twips on the screen. Light grey text on green.
constexpr ui::FormDesign kDesign = {
    L"ZelmoFrm_St", kStartPageCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 4680, 3195, 6015, 5325,
    RGB(0, 128, 0), RGB(192, 192, 192), ZELMO_IDI_START_PAGE, "the start page could not be created"};

}  // namespace

Frm_St::Frm_St() : Form(kDesign), font_(ui::MakeFont(900, false, scale_)) {}

void Frm_St::Show() {
    if (hwnd_ == nullptr) Load();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(Cmd_St.hWnd());
}

void Frm_St::CreateControls() {
    Lbl_1.Attach(CreateChild(hwnd_, kLabelId, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT,
                             {240, 240, 4095, 1575}, font_.get()));
    Cmd_St.Attach(CreateChild(hwnd_, kStartId, L"BUTTON", L"スタート",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, {3120, 2040, 1335, 495}, font_.get()));
}

bool Frm_St::PreTranslate(MSG& msg) {
    return ui::HandleDialogKey(msg, ui::TabOrder{{Lbl_1.hWnd(), Cmd_St.hWnd()}, {}});
}

void Frm_St::Form_Load() { Lbl_1.SetCaption(L"このソフトは、エクセルのファイルの支援ソフトです。"); }

void Frm_St::Cmd_St_Click() {
    std::unique_ptr<ui::Excel_Zelmo_2013>& mainWindow = ui::MainWindowReference();
    if (!mainWindow) mainWindow = std::make_unique<ui::Excel_Zelmo_2013>();
    mainWindow->Show();
}

LRESULT Frm_St::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kStartId && HIWORD(wParam) == BN_CLICKED) {
            ui::RunHandler(hwnd_, [this] { Cmd_St_Click(); });
        }
        return 0;
    case WM_ACTIVATE:
        // The label cannot take the focus: "スタート" holds it while the page is active.
        if (LOWORD(wParam) != WA_INACTIVE && Cmd_St.hWnd() != nullptr) {
            SetFocus(Cmd_St.hWnd());
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::Handle(message, wParam, lParam);
}

void Frm_St::OnDestroyed() {
    Lbl_1.Attach(nullptr);
    Cmd_St.Attach(nullptr);
}

}  // namespace zelmo::app
