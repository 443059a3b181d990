#include "ui_driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "ui/program.h"

namespace zelmo::ui {
namespace {

struct ThreadDialogs {
    bool folderDialog;
    HWND found;
};

bool HasTree(HWND dialog) { return FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) != nullptr; }

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ThreadDialogs*>(param);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (search->folderDialog != HasTree(hwnd)) return TRUE;
    if (!search->folderDialog) {
        wchar_t caption[64] = {};
        GetWindowTextW(hwnd, caption, 64);
        if (lstrcmpW(caption, kAppTitle) != 0) return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

BOOL CALLBACK CloseDialog(HWND hwnd, LPARAM) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

std::wstring CaretText(HWND tree) {
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item == nullptr) return {};
    wchar_t text[512] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 512;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

}  // namespace

const Excel_Zelmo_2013::ControlRow* MainWindowProbe::Row(const std::wstring& name) {
    for (const Excel_Zelmo_2013::ControlRow& row : Excel_Zelmo_2013::Controls()) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

HWND MainWindowProbe::Control(const std::wstring& name) const {
    const Excel_Zelmo_2013::ControlRow* row = Row(name);
    return row == nullptr ? nullptr : row->control(w_).hWnd();
}

const ListBox& MainWindowProbe::List(const std::wstring& name) const {
    using Kind = Excel_Zelmo_2013::ControlRow::Kind;
    const Excel_Zelmo_2013::ControlRow* row = Row(name);
    if (row == nullptr || (row->kind != Kind::kList && row->kind != Kind::kExtendedList)) {
        throw std::invalid_argument("not a list of the main window");
    }
    return static_cast<const ListBox&>(row->control(w_));
}

std::vector<std::wstring> Entries(HWND list) {
    std::vector<std::wstring> out;
    const auto n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        const auto length = static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
        std::vector<wchar_t> buffer(length + 1);
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
        out.emplace_back(buffer.data());
    }
    return out;
}

std::vector<int> SelectedIndices(HWND list) {
    std::vector<int> out;
    const auto n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) out.push_back(i);
    }
    return out;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (program::PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PressKey(WORD vk, bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg{};
    msg.hwnd = GetFocus();
    msg.message = WM_KEYDOWN;
    msg.wParam = vk;
    msg.lParam = 1;
    if (!program::PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    Pump();
}

HWND ModalDriver::WaitForDialog(bool folderDialog, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        ThreadDialogs search{folderDialog, nullptr};
        EnumThreadWindows(uiThread_, FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            wchar_t caption[128] = {};
            GetWindowTextW(search.found, caption, 128);
            lastCaption = caption;
            lastFoundAt = std::chrono::steady_clock::now();
            return search.found;
        }
        Sleep(20);
    }
    return nullptr;
}

bool ModalDriver::Select(HWND dialog, const std::wstring& path) {
    HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
    const std::wstring leaf = path.substr(path.find_last_of(L'\\') + 1);
    // A drive's root ("X:\\") shows as a label that holds the drive ("... (X:)").
    const std::wstring drive = leaf.empty() ? path.substr(0, 2) : std::wstring();
    const ULONGLONG deadline = GetTickCount64() + 10000;
    // A first selection request can be ignored while the dialog fills its tree: retry until the
    // caret shows the folder.
    while (GetTickCount64() < deadline) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        const std::wstring caret = CaretText(tree);
        if (leaf.empty() ? caret.find(drive) != std::wstring::npos : caret == leaf) return true;
        Sleep(50);
    }
    return false;
}

bool ModalDriver::PickFolder(const std::wstring& path) {
    HWND dialog = WaitForDialog(true);
    if (dialog == nullptr || !Select(dialog, path)) return false;
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return true;
}

bool ModalDriver::PickVanishingFolder(const std::wstring& path) {
    HWND dialog = WaitForDialog(true);
    if (dialog == nullptr || !Select(dialog, path)) return false;
    RemoveDirectoryW(path.c_str());
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return true;
}

bool ModalDriver::CancelFolderDialog() {
    HWND dialog = WaitForDialog(true);
    if (dialog == nullptr) return false;
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    return true;
}

std::wstring ModalDriver::DismissMessage(DWORD timeoutMs) {
    HWND box = WaitForDialog(false, timeoutMs);
    if (box == nullptr) return {};
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return text;
}

void WithModalDriver(const std::function<void(ModalDriver&)>& script, const std::function<void()>& action,
                     DWORD timeoutMs) {
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> actionDone{false};
    std::thread driver([&] {
        ModalDriver modal(uiThread);
        script(modal);
        // Whatever the script managed, nothing modal may stay open: the action must return.
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (!actionDone && GetTickCount64() < deadline) {
            Sleep(100);
            if (!actionDone) EnumThreadWindows(uiThread, CloseDialog, 0);
        }
    });
    action();
    actionDone = true;
    driver.join();
    Pump();
}

COLORREF PixelAt(HWND hwnd, int x, int y) {
    UpdateWindow(hwnd);
    HDC dc = GetDC(hwnd);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return colour;
}

RECT RectInParent(HWND child) {
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace zelmo::ui
