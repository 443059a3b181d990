#include "win/type_library.h"

#include <oleauto.h>

#include <cwchar>
#include <string>

#include "win/registry.h"

namespace zelmo::win {

ComPtr<ITypeLib> LoadTypeLibraryOf(const IID& iid) {
    wchar_t iidText[40] = {};
    if (StringFromGUID2(iid, iidText, 40) == 0) return {};
    const std::wstring key = std::wstring(L"Interface\\") + iidText + L"\\TypeLib";
    std::wstring libText;
    if (!ReadRegistryString(HKEY_CLASSES_ROOT, key, nullptr, libText)) return {};
    GUID libId = {};
    if (FAILED(CLSIDFromString(libText.c_str(), &libId))) return {};
    // "major.minor" in hexadecimal; without it, version 1.0.
    unsigned major = 1, minor = 0;
    std::wstring version;
    if (ReadRegistryString(HKEY_CLASSES_ROOT, key, L"Version", version) &&
        std::swscanf(version.c_str(), L"%x.%x", &major, &minor) < 1)
        major = 1;
    ComPtr<ITypeLib> library;
    if (FAILED(LoadRegTypeLib(libId, static_cast<WORD>(major), static_cast<WORD>(minor), 0, library.put()))) return {};
    return library;
}

}  // namespace zelmo::win
