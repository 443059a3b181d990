#include "server_question.h"

#include "test_constants.h"

namespace zelmo::test {
namespace {

std::wstring TextOf(HWND box, int item) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, item, text, 2048);
    return text;
}

// The button drawn as the default one, or else the dialog's default id.
int DefaultButton(HWND box) {
    int found = 0;
    for (int id : {IDYES, IDNO, IDOK, IDCANCEL}) {
        HWND item = GetDlgItem(box, id);
        if (item != nullptr && (GetWindowLongW(item, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) found = id;
    }
    if (found == 0) {
        const LRESULT id = SendMessageW(box, DM_GETDEFID, 0, 0);
        if (HIWORD(id) == DC_HASDEFID) found = LOWORD(id);
    }
    return found;
}

int FocusButton(HWND box) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) || info.hwndFocus == nullptr) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

}  // namespace

HWND FindServerQuestion() {
    for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", kServerTitle); box != nullptr;
         box = FindWindowExW(nullptr, box, L"#32770", kServerTitle)) {
        if (IsWindowVisible(box)) return box;
    }
    return nullptr;
}

HWND WaitForServerQuestion(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND box = FindServerQuestion()) return box;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(20);
    }
}

SeenQuestion AnswerServerQuestion(HWND box, int button) {
    SeenQuestion seen;
    seen.found = true;
    wchar_t caption[128] = {};
    GetWindowTextW(box, caption, 128);
    seen.caption = caption;
    seen.text = TextOf(box, 0xFFFF);  // the message box's text
    seen.defaultButton = DefaultButton(box);
    seen.focusButton = FocusButton(box);
    // The button's click notification, sent to the box itself: a BM_CLICK to the button can be lost
    // while the box is not the active window.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    return seen;
}

SeenQuestion AnswerServerQuestion(int button, DWORD timeoutMs) {
    HWND box = WaitForServerQuestion(timeoutMs);
    return box != nullptr ? AnswerServerQuestion(box, button) : SeenQuestion{};
}

}  // namespace zelmo::test
