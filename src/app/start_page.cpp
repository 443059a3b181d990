#include "app/start_page.h"

#include <memory>

#include "ui/handler_boundary.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/resources.h"

namespace zelmo::app {
namespace {

constexpr wchar_t kClassName[] = L"ZelmoFrm_St";
constexpr COLORREF kBackground = RGB(0, 128, 0);
constexpr COLORREF kLabelText = RGB(192, 192, 192);
constexpr int kLabelId = 100;
constexpr int kStartId = 101;

}  // namespace

Frm_St::Frm_St()
    : font_(ui::MakeFont(900, false, scale_)), background_(CreateSolidBrush(kBackground)) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    bigIcon_.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(ZELMO_IDI_START_PAGE), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(ZELMO_IDI_START_PAGE), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
}

Frm_St::~Frm_St() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Frm_St::Show() {
    if (hwnd_ == nullptr) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = WindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = kClassName;
            return RegisterClassExW(&wc) != 0;
        }();
        (void)registered;
        // Fixed single border, control menu and close box only; the client area's top-left
        // corner at 6015, 5325 twips on the screen.
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        RECT rc{0, 0, scale_.X(4680), scale_.Y(3195)};
        AdjustWindowRectEx(&rc, style, FALSE, 0);
        CreateWindowExW(0, kClassName, kStartPageCaption, style, scale_.X(6015) + rc.left, scale_.Y(5325) + rc.top,
                        rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (hwnd_ == nullptr) throw std::runtime_error("the start page could not be created");
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

        HINSTANCE module = GetModuleHandleW(nullptr);
        Lbl_1.Attach(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, scale_.X(240),
                                     scale_.Y(240), scale_.X(4095), scale_.Y(1575), hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), module, nullptr));
        Cmd_St.Attach(CreateWindowExW(0, L"BUTTON", L"スタート", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                      scale_.X(3120), scale_.Y(2040), scale_.X(1335), scale_.Y(495), hwnd_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStartId)), module, nullptr));
        for (HWND child : {Lbl_1.hWnd(), Cmd_St.hWnd()}) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        }
        ui::program::WindowOpened(hwnd_, this);
        ui::RunHandler(hwnd_, [this] { Form_Load(); });
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(Cmd_St.hWnd());
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

LRESULT CALLBACK Frm_St::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Frm_St*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Frm_St*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT Frm_St::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, background_.get());
        return 1;
    }
    case WM_CTLCOLORSTATIC: {
        // The label: light grey text on the window's green.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kLabelText);
        SetBkColor(dc, kBackground);
        return reinterpret_cast<LRESULT>(background_.get());
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kStartId && HIWORD(wParam) == BN_CLICKED) {
            ui::RunHandler(hwnd_, [this] { Cmd_St_Click(); });
        }
        return 0;
    case WM_SETCURSOR:
        if (ui::program::AnswerSetCursor()) return TRUE;
        break;
    case WM_ACTIVATE:
        // The label cannot take the focus: "スタート" holds it while the page is active.
        if (LOWORD(wParam) != WA_INACTIVE && Cmd_St.hWnd() != nullptr) {
            SetFocus(Cmd_St.hWnd());
            return 0;
        }
        break;
    case WM_DESTROY: {
        HWND closed = hwnd_;
        Lbl_1.Attach(nullptr);
        Cmd_St.Attach(nullptr);
        SetWindowLongPtrW(closed, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        ui::program::WindowClosed(closed);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace zelmo::app
