#include "registration.h"

#include <windows.h>
#include <oleauto.h>
#include <shlobj.h>

#include "ids.h"
#include "text.h"
#include "type_library.h"
#include "win/handles.h"
#include "win/local_server.h"
#include "win/registry.h"

namespace zelmo::standin {
namespace {

// Marks the CLSID key as written by this server, so that a later registration (of this build or of
// another build of it) may replace it, while a foreign one is left alone.
constexpr wchar_t kMarkerValue[] = L"ZelmoStandin";
// oleaut32's marshaler for dispinterfaces described by a registered type library.
constexpr wchar_t kPsDispatch[] = L"{00020420-0000-0000-C000-000000000046}";

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct ClassesRoot {
    HKEY root;
    std::wstring prefix;  // "Software\\Classes\\" or ""
};

ClassesRoot WriteRoot() {
    if (RunningUnderWine()) return {HKEY_CLASSES_ROOT, L""};
    return {HKEY_CURRENT_USER, L"Software\\Classes\\"};
}

std::wstring GuidText(const GUID& guid) {
    wchar_t buffer[64];
    StringFromGUID2(guid, buffer, 64);
    return buffer;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    win::UniqueRegKey handle;
    return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, handle.put()) == ERROR_SUCCESS;
}

bool WriteString(const ClassesRoot& at, const std::wstring& key, const wchar_t* value, const std::wstring& data) {
    win::UniqueRegKey handle;
    if (RegCreateKeyExW(at.root, (at.prefix + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, handle.put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(handle.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void DeleteTree(const ClassesRoot& at, const std::wstring& key) { RegDeleteTreeW(at.root, (at.prefix + key).c_str()); }

// A description of another program registered as Excel.Application, or empty when there is none
// (nothing registered, or a registration of this server).
std::wstring ForeignRegistration() {
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    for (HKEY root : roots) {
        const std::wstring base = L"Software\\Classes\\";
        std::wstring command;
        if (win::ReadRegistryString(root, base + clsidKey + L"\\LocalServer32", nullptr, command) ||
            KeyExists(root, base + clsidKey + L"\\InprocServer32")) {
            std::wstring marker;
            if (!win::ReadRegistryString(root, base + clsidKey, kMarkerValue, marker))
                return command.empty() ? std::wstring(kClsidText) : win::ProgramOfCommand(command);
        }
        std::wstring progClsid;
        if (win::ReadRegistryString(root, base + kProgId + L"\\CLSID", nullptr, progClsid) &&
            !EqualNoCase(progClsid, kClsidText))
            return std::wstring(kProgId) + L" = " + progClsid;
    }
    return {};
}

std::wstring TypeLibraryPath() {
    // The folder's path is the caller's to free, whether the call succeeds or not.
    win::TaskMem<wchar_t> folder;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, folder.put()))) return {};
    return std::wstring(folder.get()) + L"\\" + kServerName;
}

}  // namespace

RegistrationResult Register(const std::wstring& exePath) {
    const std::wstring foreign = ForeignRegistration();
    if (!foreign.empty())
        return {false, L"登録しませんでした。Excel.Application として別のプログラムが既に登録されています (" + foreign +
                           L")。そのプログラムの登録を変更しないため、何も書き換えていません。"};
    const std::wstring folder = TypeLibraryPath();
    if (folder.empty()) return {false, L"登録できませんでした。型ライブラリの保存先フォルダーが見つかりません。"};
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring tlb = folder + L"\\" + kServerName + L".tlb";
    const HRESULT hr = WriteTypeLibrary(tlb);
    if (FAILED(hr))
        return {false, L"登録できませんでした。型ライブラリ「" + tlb + L"」を作成できません (HRESULT 0x" +
                           std::to_wstring(static_cast<unsigned long>(hr)) + L")。"};

    const ClassesRoot at = WriteRoot();
    const std::wstring libId = GuidText(kLibId);
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    bool ok = WriteString(at, kProgId, nullptr, kServerName) &&
              WriteString(at, std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
              WriteString(at, clsidKey, nullptr, kServerName) && WriteString(at, clsidKey, kMarkerValue, L"1") &&
              WriteString(at, clsidKey + L"\\LocalServer32", nullptr, L"\"" + exePath + L"\"") &&
              WriteString(at, clsidKey + L"\\ProgID", nullptr, kProgId) &&
              WriteString(at, clsidKey + L"\\TypeLib", nullptr, libId) &&
              WriteString(at, L"TypeLib\\" + libId + L"\\1.0", nullptr, L"ZelmoSheetServer") &&
              WriteString(at, L"TypeLib\\" + libId + L"\\1.0\\0\\win64", nullptr, tlb) &&
              WriteString(at, L"TypeLib\\" + libId + L"\\1.0\\FLAGS", nullptr, L"0") &&
              WriteString(at, L"TypeLib\\" + libId + L"\\1.0\\HELPDIR", nullptr, folder);
    size_t count = 0;
    const PublicInterface* interfaces = PublicInterfaces(&count);
    for (size_t i = 0; ok && i < count; ++i) {
        const std::wstring key = L"Interface\\" + GuidText(*interfaces[i].iid);
        ok = WriteString(at, key, nullptr, interfaces[i].name) &&
             WriteString(at, key + L"\\ProxyStubClsid32", nullptr, kPsDispatch) &&
             WriteString(at, key + L"\\ProxyStubClsid", nullptr, kPsDispatch) &&
             WriteString(at, key + L"\\TypeLib", nullptr, libId) &&
             WriteString(at, key + L"\\TypeLib", L"Version", L"1.0");
    }
    if (!ok) return {false, L"登録できませんでした。レジストリに書き込めません。"};
    return {true, L"Excel.Application として登録しました: " + exePath};
}

RegistrationResult Unregister(const std::wstring& exePath) {
    const std::wstring foreign = ForeignRegistration();
    if (!foreign.empty())
        return {false, L"登録を解除しませんでした。Excel.Application は別のプログラムの登録です (" + foreign + L")。"};
    const ClassesRoot at = WriteRoot();
    const std::wstring libId = GuidText(kLibId);
    size_t count = 0;
    const PublicInterface* interfaces = PublicInterfaces(&count);
    for (size_t i = 0; i < count; ++i) {
        const std::wstring key = L"Interface\\" + GuidText(*interfaces[i].iid);
        std::wstring registeredLib;
        // Only interface entries that point at this server's library are this server's.
        if (win::ReadRegistryString(at.root, at.prefix + key + L"\\TypeLib", nullptr, registeredLib) &&
            EqualNoCase(registeredLib, libId))
            DeleteTree(at, key);
    }
    DeleteTree(at, L"TypeLib\\" + libId);
    DeleteTree(at, std::wstring(L"CLSID\\") + kClsidText);
    DeleteTree(at, kProgId);
    const std::wstring folder = TypeLibraryPath();
    if (!folder.empty()) {
        DeleteFileW((folder + L"\\" + kServerName + L".tlb").c_str());
        RemoveDirectoryW(folder.c_str());
    }
    return {true, L"Excel.Application の登録を解除しました: " + exePath};
}

RegistrationResult UnregisterBundled() {
    const ClassesRoot at = WriteRoot();
    DeleteTree(at, std::wstring(L"CLSID\\") + kBundledClsidText);
    DeleteTree(at, kBundledProgId);
    return {true, std::wstring(L"このユーザーの ") + kBundledProgId + L" の登録を削除しました。"};
}

}  // namespace zelmo::standin
