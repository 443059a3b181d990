#include "server_process.h"

#include <algorithm>
#include <filesystem>

#include "win/handles.h"
#include "win/text.h"

namespace zelmo::standin_test {

namespace {

struct BoxSearch {
    std::vector<DWORD> processes;
    HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(hwnd) &&
        std::find(search->processes.begin(), search->processes.end(), process) != search->processes.end()) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(hwnd, buffer, 2048);
    return buffer;
}

}  // namespace

bool WaitServerBox(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        BoxSearch search;
        search.processes = ServerProcesses();
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return true;
        Sleep(50);
    }
    return false;
}

BoxAnswerer::BoxAnswerer(int button, DWORD timeoutMs) {
    thread_ = std::thread([this, button, timeoutMs] {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (GetTickCount64() < deadline) {
            BoxSearch search;
            search.processes = ServerProcesses();
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) {
                seen_.found = true;
                seen_.caption = TextOf(search.found);
                seen_.text = TextOf(GetDlgItem(search.found, 0xFFFF));
                // The default button: the one drawn as default, or else the dialog's default id.
                for (int id : {IDYES, IDNO, IDOK, IDCANCEL}) {
                    HWND item = GetDlgItem(search.found, id);
                    if (item != nullptr && (GetWindowLongW(item, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
                        seen_.defaultButton = id;
                }
                if (seen_.defaultButton == 0) {
                    const LRESULT id = SendMessageW(search.found, DM_GETDEFID, 0, 0);
                    if (HIWORD(id) == DC_HASDEFID) seen_.defaultButton = LOWORD(id);
                }
                GUITHREADINFO info{};
                info.cbSize = sizeof(info);
                if (GetGUIThreadInfo(GetWindowThreadProcessId(search.found, nullptr), &info) && info.hwndFocus != nullptr)
                    seen_.focusButton = GetDlgCtrlID(info.hwndFocus);
                PostMessageW(GetDlgItem(search.found, button), BM_CLICK, 0, 0);
                return;
            }
            Sleep(50);
        }
    });
}

ScratchFolder::ScratchFolder(const std::wstring& leaf) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::wstring(temp) + L"zelmo-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial) + L"-" + leaf;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadBytes(const std::wstring& path) {
    const win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    const win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> ReadLines(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(win::FromUtf8(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace zelmo::standin_test
