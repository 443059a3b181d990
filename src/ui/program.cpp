#include "ui/program.h"

#include <string>
#include <utility>
#include <vector>

namespace zelmo::ui {

void ShowMessage(HWND owner, std::wstring_view text) {
    MessageBoxW(owner, std::wstring(text).c_str(), kAppTitle, MB_OK);
}

namespace program {
namespace {

struct OpenWindow {
    HWND hwnd;
    KeyboardNavigator* navigator;
};

std::vector<OpenWindow>& Windows() {
    static std::vector<OpenWindow> windows;
    return windows;
}

std::function<void()>& LastWindowAction() {
    static std::function<void()> action = [] { PostQuitMessage(0); };
    return action;
}

}  // namespace

void WindowOpened(HWND hwnd, KeyboardNavigator* navigator) { Windows().push_back({hwnd, navigator}); }

void WindowClosed(HWND hwnd) {
    auto& windows = Windows();
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (it->hwnd == hwnd) {
            windows.erase(it);
            if (windows.empty() && LastWindowAction()) LastWindowAction()();
            return;
        }
    }
}

int OpenWindowCount() { return static_cast<int>(Windows().size()); }

void SetLastWindowClosedAction(std::function<void()> action) { LastWindowAction() = std::move(action); }

void EndNow() { ExitProcess(0); }

namespace {
bool g_waiting = false;
}  // namespace

WaitCursor::WaitCursor() {
    g_waiting = true;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void WaitCursor::EndWaitCursor() {
    if (!g_waiting) return;
    g_waiting = false;
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool WaitCursorShown() { return g_waiting; }

bool AnswerSetCursor() {
    if (!g_waiting) return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

bool PreTranslate(MSG& msg) {
    if (msg.hwnd == nullptr) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    for (const OpenWindow& w : Windows()) {
        if (w.hwnd == root && w.navigator != nullptr) return w.navigator->PreTranslate(msg);
    }
    return false;
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        if (PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace program
}  // namespace zelmo::ui
