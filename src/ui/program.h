// What the program's two windows share: the application's title for message boxes, the count of
// open windows (the program ends with its last window), ending at once, and the message loop that
// gives each window its keyboard navigation before a message is dispatched.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

namespace zelmo::ui {

// The caption of every message box of the program.
inline constexpr wchar_t kAppTitle[] = L"Excelゼルモ_2013";

// A message box with the text, an OK button only, no icon and the application's title, modal to
// `owner`. Returns when the user has closed it.
void ShowMessage(HWND owner, std::wstring_view text);
// The same message box; while it is on screen, `step` is called from its own message loop, a
// slice of about 20 ms at a time, until it returns false. Steps left when the box is closed run
// before this returns. `step` must not throw.
void ShowMessageWhile(HWND owner, std::wstring_view text, const std::function<bool()>& step);

// A window that handles its own keyboard navigation (Tab, arrow keys) before dispatch.
class KeyboardNavigator {
public:
    virtual ~KeyboardNavigator() = default;
    // True when the message was handled and must not be dispatched.
    virtual bool PreTranslate(MSG& msg) = 0;
};

namespace program {

// Each top-level window of the program reports its creation and destruction. When the last one
// is destroyed the program ends: by default a WM_QUIT for the message loop (tests replace this).
void WindowOpened(HWND hwnd, KeyboardNavigator* navigator);
void WindowClosed(HWND hwnd);
int OpenWindowCount();
void SetLastWindowClosedAction(std::function<void()> action);

// Ends the program at once: no window closes through its usual path and no handler runs after.
[[noreturn]] void EndNow();

// The wait cursor over the program's windows while an operation runs. The operation pumps no
// messages, so the cursor is set at once; the windows' WM_SETCURSOR answer (AnswerSetCursor)
// keeps it wherever the system asks them (over any of their controls, and during a COM call's
// own wait, which dispatches some messages).
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor() { EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    // Ends every wait cursor in force (before a closing message, so that the user points at its
    // button with the usual arrow); idempotent.
    static void EndWaitCursor();
};
bool WaitCursorShown();
// A top-level window's WM_SETCURSOR: true when the wait cursor was set and the message is done.
bool AnswerSetCursor();

// The navigation step of the message loop: hands the message to the navigator of the top-level
// window it belongs to. True when it was handled.
bool PreTranslate(MSG& msg);

// Runs the thread's message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace program
}  // namespace zelmo::ui
