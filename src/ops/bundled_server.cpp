#include "ops/bundled_server.h"

#include <utility>

#include "win/local_server.h"
#include "win/registry.h"

namespace zelmo::ops {
namespace {

constexpr wchar_t kDescription[] = L"ExcelZelmo SheetServer";

// Per-user classes: HKCU\Software\Classes. Wine's COM reads only the machine's class view, so
// under Wine the keys go to HKEY_CLASSES_ROOT of the prefix (which belongs to its one user).
struct ClassesRoot {
    HKEY root;
    std::wstring prefix;
};

ClassesRoot Classes() {
    if (win::RunningUnderWine()) return {HKEY_CLASSES_ROOT, L""};
    return {HKEY_CURRENT_USER, L"Software\\Classes\\"};
}

bool ReadDefault(const ClassesRoot& at, const std::wstring& key, std::wstring& out) {
    return win::ReadRegistryString(at.root, at.prefix + key, nullptr, out);
}

LSTATUS WriteDefault(const ClassesRoot& at, const std::wstring& key, const std::wstring& data) {
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(at.root, (at.prefix + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                     &handle, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status;
}

}  // namespace

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring BundledServerCommand(const std::wstring& serverPath) {
    return L"\"" + serverPath + L"\" " + kBundledSwitch;
}

LSTATUS RegisterBundledServer(const std::wstring& serverPath) {
    const ClassesRoot at = Classes();
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kBundledClsidText;
    const std::wstring command = BundledServerCommand(serverPath);
    std::wstring registered;
    std::wstring progIdClass;
    if (ReadDefault(at, clsidKey + L"\\LocalServer32", registered) && registered == command &&
        ReadDefault(at, std::wstring(kBundledProgId) + L"\\CLSID", progIdClass) && progIdClass == kBundledClsidText)
        return ERROR_SUCCESS;
    const std::pair<std::wstring, std::wstring> entries[] = {
        {kBundledProgId, kDescription},
        {std::wstring(kBundledProgId) + L"\\CLSID", kBundledClsidText},
        {clsidKey, kDescription},
        {clsidKey + L"\\ProgID", kBundledProgId},
        // Last: the class is usable once its server is named.
        {clsidKey + L"\\LocalServer32", command},
    };
    for (const auto& entry : entries) {
        const LSTATUS status = WriteDefault(at, entry.first, entry.second);
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

}  // namespace zelmo::ops
