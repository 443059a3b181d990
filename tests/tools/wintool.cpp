// A small Windows tool for the test scripts and the screenshot script: waits for, inspects,
// drives and closes the program's windows from outside the program.
//   wintool wait-window <caption> [timeout ms]   exit 0 once a visible window with that caption exists
//   wintool close-window <caption>               asks that window to close
//   wintool wait-gone <caption> [timeout ms]     exit 0 once no window with that caption exists
//   wintool click <caption> <control text>       clicks the visible control with that text
//   wintool pick-folder <path> [timeout ms]      confirms <path> in the open folder dialog
//   wintool dismiss-message [timeout ms]         prints the program's message box text, presses OK
//   wintool window-rect <caption>                prints "x y width height" of the window
//   wintool select <caption> <entry>...          selects exactly these entries in the visible list
//                                                box of that window that holds the first of them
//   wintool wait-no-process <exe name> [timeout ms]  exit 0 once no process runs that program
//   wintool warm-up                              shows and closes a window, which starts Wine's
//                                                desktop process for the session
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "test_constants.h"
#include "win/handles.h"
#include "win/processes.h"
#include "win/text.h"

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

struct ChildSearch {
    const wchar_t* text;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    wchar_t buffer[256] = {};
    if (search->cls != nullptr) {
        GetClassNameW(hwnd, buffer, 256);
        if (lstrcmpiW(buffer, search->cls) == 0 && IsWindowVisible(hwnd)) {
            search->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    GetWindowTextW(hwnd, buffer, 256);
    if (std::wstring(buffer) == search->text && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND Child(HWND parent, const wchar_t* text, const wchar_t* cls = nullptr) {
    ChildSearch search{text, cls, nullptr};
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The visible dialog (#32770) with a tree view: the shell's folder dialog.
HWND FindFolderDialog() {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        if (IsWindowVisible(w) && Child(w, nullptr, L"SysTreeView32") != nullptr) return w;
    }
    return nullptr;
}

std::wstring CaretText(HWND tree) {
    // Read the caret item's text through memory of the dialog's process.
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    const zelmo::win::UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return {};
    std::wstring text;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    void* remote = VirtualAllocEx(process.get(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    if (item != nullptr && remote != nullptr) {
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TVITEMW));
        tv.cchTextMax = 512;
        SIZE_T n = 0;
        WriteProcessMemory(process.get(), remote, &tv, sizeof tv, &n);
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
        wchar_t buffer[512] = {};
        ReadProcessMemory(process.get(), tv.pszText, buffer, sizeof buffer - sizeof(wchar_t), &n);
        text = buffer;
    }
    if (remote != nullptr) VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return text;
}

int PickFolder(const std::wstring& path, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HWND dialog = nullptr;
    while ((dialog = FindFolderDialog()) == nullptr) {
        if (GetTickCount64() > deadline) return 1;
        Sleep(50);
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    const zelmo::win::UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, pid));
    if (!process) return 1;
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.get(), nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    SIZE_T written = 0;
    WriteProcessMemory(process.get(), remote, path.c_str(), bytes, &written);
    const std::wstring leaf = path.substr(path.find_last_of(L'\\') + 1);
    HWND tree = Child(dialog, nullptr, L"SysTreeView32");
    int result = 1;
    while (GetTickCount64() < deadline) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
        if (CaretText(tree) == leaf) {
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            result = 0;
            break;
        }
        Sleep(50);
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return result;
}

// Text for the scripts, in UTF-8 whatever the console's code page.
void PrintUtf8(const std::wstring& text) {
    const std::string bytes = zelmo::win::ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int DismissMessage(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HWND box = nullptr;
    while ((box = FindWindowW(L"#32770", zelmo::test::kMessageCaption)) == nullptr || !IsWindowVisible(box)) {
        if (GetTickCount64() > deadline) return 1;
        Sleep(50);
    }
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    PrintUtf8(text);
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return 0;
}

struct ListSearch {
    const wchar_t* entry;
    HWND found;
};

BOOL CALLBACK FindList(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ListSearch*>(param);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (lstrcmpiW(cls, L"ListBox") == 0 && IsWindowVisible(hwnd) &&
        SendMessageW(hwnd, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(search->entry)) !=
            LB_ERR) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Selects the entries (and only those) as a user's clicks would leave the list: in a list of many
// selections each one, in a list of one selection the single entry. Fails if an entry is missing.
int SelectEntries(HWND window, const std::vector<std::wstring>& entries) {
    ListSearch search{entries.front().c_str(), nullptr};
    EnumChildWindows(window, FindList, reinterpret_cast<LPARAM>(&search));
    HWND list = search.found;
    if (list == nullptr) return 1;
    const bool multiple = (GetWindowLongPtrW(list, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
    if (!multiple && entries.size() != 1) return 1;
    if (multiple) {
        SendMessageW(list, LB_SETSEL, FALSE, -1);
    }
    for (const std::wstring& entry : entries) {
        const LRESULT index =
            SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
        if (index == LB_ERR) return 1;
        if (multiple) {
            SendMessageW(list, LB_SETSEL, TRUE, index);
        } else {
            SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
    const LRESULT selected = multiple ? SendMessageW(list, LB_GETSELCOUNT, 0, 0) : 1;
    return selected == static_cast<LRESULT>(entries.size()) ? 0 : 1;
}

int WaitNoProcess(const wchar_t* exeName, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const auto ids = zelmo::win::ProcessesOf(exeName);
        const int count = ids ? static_cast<int>(ids->size()) : -1;
        if (count == 0) return 0;
        if (GetTickCount64() > deadline) {
            std::fwprintf(stderr, L"%d process(es) of %ls still running\n", count, exeName);
            return 1;
        }
        Sleep(100);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"warm-up") {
        HWND hwnd = CreateWindowExW(0, L"STATIC", L"warm-up", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                                    100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (hwnd != nullptr) DestroyWindow(hwnd);
        return hwnd != nullptr ? 0 : 1;
    }
    if (argc >= 2 && std::wstring(argv[1]) == L"dismiss-message") {
        return DismissMessage(argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 20000);
    }
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: wintool wait-window|close-window|wait-gone|click|pick-folder|"
                              L"dismiss-message|window-rect|select|wait-no-process <caption> ...\n");
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* caption = argv[2];
    const DWORD timeoutMs = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 20000;
    if (command == L"wait-window") return WaitFor(caption, timeoutMs, true);
    if (command == L"wait-gone") return WaitFor(caption, timeoutMs, false);
    if (command == L"pick-folder") return PickFolder(caption, timeoutMs);
    if (command == L"wait-no-process") return WaitNoProcess(caption, timeoutMs);
    HWND hwnd = FindWindowW(nullptr, caption);
    if (hwnd == nullptr) return 1;
    if (command == L"close-window") {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == L"click" && argc > 3) {
        HWND control = Child(hwnd, argv[3]);
        if (control == nullptr) return 1;
        PostMessageW(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == L"select" && argc > 3) {
        return SelectEntries(hwnd, std::vector<std::wstring>(argv + 3, argv + argc));
    }
    if (command == L"window-rect") {
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        std::fwprintf(stdout, L"%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        return 0;
    }
    return 2;
}
