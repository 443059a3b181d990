#include "ui/form.h"

#include <stdexcept>

#include "ui/handler_boundary.h"

namespace zelmo::ui {
namespace {

HICON LoadIconSized(int id, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), 0));
}

}  // namespace

Form::Form(const FormDesign& design)
    : design_(design),
      background_(CreateSolidBrush(design.background)),
      bigIcon_(LoadIconSized(design.iconId, SM_CXICON, SM_CYICON)),
      smallIcon_(LoadIconSized(design.iconId, SM_CXSMICON, SM_CYSMICON)) {}

Form::~Form() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Form::Load() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(module, design_.className, &wc)) {
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = design_.className;
        RegisterClassExW(&wc);
    }
    RECT rc{0, 0, scale_.X(design_.width), scale_.Y(design_.height)};
    AdjustWindowRectEx(&rc, design_.style, FALSE, 0);
    const int x = design_.left == CW_USEDEFAULT ? CW_USEDEFAULT : scale_.X(design_.left) + rc.left;
    const int y = design_.top == CW_USEDEFAULT ? CW_USEDEFAULT : scale_.Y(design_.top) + rc.top;
    CreateWindowExW(0, design_.className, design_.caption, design_.style, x, y, rc.right - rc.left,
                    rc.bottom - rc.top, nullptr, nullptr, module, this);
    if (hwnd_ == nullptr) throw std::runtime_error(design_.creationError);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    CreateControls();
    program::WindowOpened(hwnd_, this);
    RunHandler(hwnd_, [this] { Form_Load(); });
}

HWND Form::CreateChild(HWND parent, int id, const wchar_t* windowClass, const wchar_t* caption, DWORD style,
                       const TwipRect& place, HFONT font, DWORD exStyle, void* param) const {
    HWND child = CreateWindowExW(exStyle, windowClass, caption, style, scale_.X(place.left), scale_.Y(place.top),
                                 scale_.X(place.width), scale_.Y(place.height), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), param);
    if (child != nullptr && font != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, background_.get());
        return 1;
    }
    case WM_CTLCOLORSTATIC: {
        // Labels and option buttons: their own text colour on the window's background.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, design_.staticText);
        SetBkColor(dc, design_.background);
        return reinterpret_cast<LRESULT>(background_.get());
    }
    case WM_SETCURSOR:
        if (program::AnswerSetCursor()) return TRUE;
        break;
    case WM_DESTROY: {
        // The controls go with the window; the instance and its fields stay for the next loading.
        HWND closed = hwnd_;
        OnDestroyed();
        SetWindowLongPtrW(closed, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        program::WindowClosed(closed);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace zelmo::ui
