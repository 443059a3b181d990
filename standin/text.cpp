#include "text.h"

#include <windows.h>

namespace zelmo::standin {

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::wstring FoldCase(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) CharLowerBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) { return FoldCase(a) == FoldCase(b); }

bool SameName(const wchar_t* ours, const wchar_t* theirs) {
    if (ours == nullptr || theirs == nullptr) return false;
    return CompareStringOrdinal(ours, -1, theirs, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace zelmo::standin
