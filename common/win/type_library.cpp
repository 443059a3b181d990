#include "win/type_library.h"

#include <oleauto.h>

#include <cwchar>
#include <string>

namespace zelmo::win {

ComPtr<ITypeLib> LoadTypeLibraryOf(const IID& iid) {
    wchar_t iidText[40] = {};
    if (StringFromGUID2(iid, iidText, 40) == 0) return {};
    const std::wstring key = std::wstring(L"Interface\\") + iidText + L"\\TypeLib";
    wchar_t libText[64] = {};
    DWORD size = sizeof libText;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, libText, &size) != ERROR_SUCCESS)
        return {};
    GUID libId = {};
    if (FAILED(CLSIDFromString(libText, &libId))) return {};
    // "major.minor" in hexadecimal; without it, version 1.0.
    unsigned major = 1, minor = 0;
    wchar_t version[32] = {};
    size = sizeof version;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Version", RRF_RT_REG_SZ, nullptr, version, &size) ==
        ERROR_SUCCESS) {
        if (std::swscanf(version, L"%x.%x", &major, &minor) < 1) major = 1;
    }
    ComPtr<ITypeLib> library;
    if (FAILED(LoadRegTypeLib(libId, static_cast<WORD>(major), static_cast<WORD>(minor), 0, library.put()))) return {};
    return library;
}

}  // namespace zelmo::win
