#include "ui/main_window.h"

namespace zelmo::ui {
namespace {
constexpr wchar_t kClassName[] = L"ZelmoMainWindow";
}

void Excel_Zelmo_2013::Show(HINSTANCE instance) {
    if (hwnd_ == nullptr) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = CreateSolidBrush(RGB(192, 255, 192));
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);

        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        RECT rc{0, 0, 521, 304};
        AdjustWindowRect(&rc, style, FALSE);
        hwnd_ = CreateWindowExW(0, kClassName, kMainWindowCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, instance, this);
    }
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
}

LRESULT CALLBACK Excel_Zelmo_2013::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Excel_Zelmo_2013*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        break;
    }
    case WM_DESTROY:
        if (self != nullptr) self->hwnd_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace zelmo::ui
