#include "win/registry.h"

#include <cwchar>

namespace zelmo::win {

bool ReadRegistryString(HKEY root, const std::wstring& key, const wchar_t* value, std::wstring& out) {
    constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    // The value may change between the two reads: read again while it grows.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegGetValueW(root, key.c_str(), value, kFlags, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS status = RegGetValueW(root, key.c_str(), value, kFlags, nullptr, text.data(), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return false;
        text.resize(wcsnlen(text.c_str(), text.size()));
        out = std::move(text);
        return true;
    }
    return false;
}

}  // namespace zelmo::win
