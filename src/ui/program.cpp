#include "ui/program.h"

#include <string>
#include <utility>
#include <vector>

namespace zelmo::ui {

void ShowMessage(HWND owner, std::wstring_view text) {
    MessageBoxW(owner, std::wstring(text).c_str(), kAppTitle, MB_OK);
}

namespace {

// The steps of the message box on screen, if any (one at a time: the box is modal on the only
// user-interface thread), and the thread timer that runs them.
const std::function<bool()>* g_steps = nullptr;
UINT_PTR g_stepTimer = 0;

void StopSteps() {
    if (g_stepTimer != 0) KillTimer(nullptr, g_stepTimer);
    g_stepTimer = 0;
    g_steps = nullptr;
}

// Timer messages come only when the box has nothing else to do (painting, input), so the box is
// on screen and answering before the first slice runs.
void CALLBACK RunStepSlice(HWND, UINT, UINT_PTR, DWORD) {
    if (g_steps == nullptr) return;
    const std::function<bool()>& step = *g_steps;
    const ULONGLONG until = GetTickCount64() + 20;
    bool more = true;
    while (more && GetTickCount64() < until) more = step();
    if (!more) StopSteps();
}

}  // namespace

void ShowMessageWhile(HWND owner, std::wstring_view text, const std::function<bool()>& step) {
    bool inBox = false;
    if (g_steps == nullptr) {
        g_stepTimer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, RunStepSlice);
        if (g_stepTimer != 0) {
            g_steps = &step;
            inBox = true;
        }
    }
    if (!inBox) {
        // No timer (or a box with steps already on screen): the steps run first.
        while (step()) {
        }
    }
    ShowMessage(owner, text);
    if (inBox) {
        const bool left = g_steps != nullptr;
        StopSteps();
        if (left) {
            while (step()) {
            }
        }
    }
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
