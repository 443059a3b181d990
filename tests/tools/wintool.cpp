// A small Windows tool for the test scripts: waits for, inspects and closes the program's windows
// from outside the program.
//   wintool wait-window <caption> [timeout ms]   exit 0 once a visible window with that caption exists
//   wintool close-window <caption>               asks that window to close
//   wintool wait-gone <caption> [timeout ms]     exit 0 once no window with that caption exists
//   wintool warm-up                              shows and closes a window, which starts Wine's
//                                                desktop process for the session
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

bool VisibleWindowExists(const wchar_t* caption) {
    HWND hwnd = FindWindowW(nullptr, caption);
    return hwnd != nullptr && IsWindowVisible(hwnd);
}

int WaitFor(const wchar_t* caption, DWORD timeoutMs, bool present) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        if (VisibleWindowExists(caption) == present) return 0;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    std::fwprintf(stderr, L"timed out waiting for the window \"%ls\"\n", caption);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"warm-up") {
        HWND hwnd = CreateWindowExW(0, L"STATIC", L"warm-up", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                                    100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (hwnd != nullptr) DestroyWindow(hwnd);
        return hwnd != nullptr ? 0 : 1;
    }
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: wintool wait-window|close-window|wait-gone <caption> [ms]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* caption = argv[2];
    const DWORD timeoutMs = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 20000;
    if (command == L"wait-window") return WaitFor(caption, timeoutMs, true);
    if (command == L"wait-gone") return WaitFor(caption, timeoutMs, false);
    if (command == L"close-window") {
        HWND hwnd = FindWindowW(nullptr, caption);
        if (hwnd == nullptr) return 1;
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
