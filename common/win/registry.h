// Reading a string value of the registry.
#pragma once

#include <windows.h>

#include <string>

namespace zelmo::win {

// The string `value` of `root`\`key` (nullptr: the key's default value), REG_SZ or REG_EXPAND_SZ
// as written (not expanded), whatever its length; false when the key or the value is missing or
// is not a string.
bool ReadRegistryString(HKEY root, const std::wstring& key, const wchar_t* value, std::wstring& out);

}  // namespace zelmo::win
