#include "win/local_server.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <vector>

#include "win/handles.h"
#include "win/registry.h"

namespace zelmo::win {
namespace {

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring ProgramOfCommand(const std::wstring& command) {
    std::wstring text = command;
    while (!text.empty() && text.front() == L' ') text.erase(0, 1);
    if (!text.empty() && text.front() == L'"') {
        const size_t close = text.find(L'"', 1);
        return text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    }
    const size_t space = text.find(L" /");
    const size_t dash = text.find(L" -");
    return text.substr(0, std::min(space, dash));
}

bool StartLocalServerAhead(const CLSID& clsid, const wchar_t* serverFile, DWORD timeoutMs) {
    if (!RunningUnderWine()) return false;
    wchar_t clsidText[40] = {};
    if (StringFromGUID2(clsid, clsidText, 40) == 0) return false;
    std::wstring command;
    if (!ReadRegistryString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + clsidText + L"\\LocalServer32", nullptr,
                            command))
        return false;
    const std::wstring program = ProgramOfCommand(command);
    const size_t slash = program.find_last_of(L"\\/");
    if (!EqualNoCase(slash == std::wstring::npos ? program : program.substr(slash + 1), serverFile)) return false;

    // A name of this process's own, so that only the server started here can answer it.
    static std::atomic<unsigned> started{0};
    const std::wstring eventName = L"Local\\ZelmoServerReady." + std::to_wstring(GetCurrentProcessId()) + L"." +
                                   std::to_wstring(GetTickCount64()) + L"." + std::to_wstring(++started);
    const UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!ready) return false;
    // As COM starts it: the registered command and -Embedding.
    std::wstring line = command + L" -Embedding " + kReadyEventSwitch + eventName;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    // A server that ends, or takes too long, is left to COM: one that never gets a client ends
    // by itself shortly after.
    HANDLE waits[2] = {ready.get(), process.hProcess};
    return WaitForMultipleObjects(2, waits, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

void SignalReady(const std::wstring& arg) {
    const size_t prefix = wcslen(kReadyEventSwitch);
    if (arg.compare(0, prefix, kReadyEventSwitch) != 0 || arg.size() == prefix) return;
    const UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, arg.c_str() + prefix));
    if (ready) SetEvent(ready.get());
}

}  // namespace zelmo::win
