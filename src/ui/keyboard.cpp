#include "ui/keyboard.h"

#include <algorithm>

namespace zelmo::ui {
namespace {

bool Contains(const std::vector<HWND>& list, HWND hwnd) {
    return std::find(list.begin(), list.end(), hwnd) != list.end();
}

bool IsChecked(HWND option) { return SendMessageW(option, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool IsStop(const TabOrder& order, HWND hwnd) {
    if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return false;
    if (!Contains(order.options, hwnd)) return true;
    // Of a group of option buttons, Tab stops at the selected one only.
    const bool anyChecked = std::any_of(order.options.begin(), order.options.end(), IsChecked);
    if (anyChecked) return IsChecked(hwnd);
    for (HWND option : order.options) {
        if (IsWindowVisible(option) && IsWindowEnabled(option)) return option == hwnd;
    }
    return false;
}

// The position in `list` of the window that has the focus, or of its nearest listed ancestor.
int IndexOfFocus(const std::vector<HWND>& list, HWND focus) {
    for (HWND w = focus; w != nullptr; w = GetParent(w)) {
        auto it = std::find(list.begin(), list.end(), w);
        if (it != list.end()) return static_cast<int>(it - list.begin());
    }
    return -1;
}

HWND Step(const std::vector<HWND>& list, int from, bool forward, const TabOrder& order) {
    const int n = static_cast<int>(list.size());
    if (n == 0) return nullptr;
    int i = from;
    for (int k = 0; k < n; ++k) {
        if (from < 0 && k == 0) i = forward ? 0 : n - 1;
        else i = (i + (forward ? 1 : n - 1)) % n;
        if (IsStop(order, list[static_cast<size_t>(i)])) return list[static_cast<size_t>(i)];
    }
    return nullptr;
}

bool IsPushButton(HWND hwnd) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpiW(cls, L"Button") != 0) return false;
    const LONG_PTR type = GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

}  // namespace

HWND FirstTabStop(const TabOrder& order) { return Step(order.controls, -1, true, order); }

bool HandleDialogKey(const MSG& msg, const TabOrder& order) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND focus = GetFocus();
    switch (msg.wParam) {
    case VK_TAB: {
        if ((GetKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_MENU) & 0x8000) != 0) return false;
        const bool forward = (GetKeyState(VK_SHIFT) & 0x8000) == 0;
        HWND next = Step(order.controls, IndexOfFocus(order.controls, focus), forward, order);
        if (next != nullptr) SetFocus(next);
        return true;
    }
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT: {
        const int at = IndexOfFocus(order.options, focus);
        if (at < 0 || order.options[static_cast<size_t>(at)] != focus) return false;
        const bool forward = msg.wParam == VK_DOWN || msg.wParam == VK_RIGHT;
        const int n = static_cast<int>(order.options.size());
        for (int k = 1; k < n; ++k) {
            HWND option = order.options[static_cast<size_t>((at + (forward ? k : n - k)) % n)];
            if (IsWindowVisible(option) && IsWindowEnabled(option)) {
                SetFocus(option);
                break;
            }
        }
        return true;
    }
    case VK_RETURN:
        if (focus != nullptr && IsPushButton(focus)) {
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace zelmo::ui
