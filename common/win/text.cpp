#include "win/text.h"

#include <windows.h>

#include "text/utf.h"

namespace zelmo::win {

std::string ToUtf8(std::wstring_view text) { return text::ToUtf8(ToU16(text)); }

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::string ToAnsi(std::wstring_view text, bool* usedDefault) {
    // No code page takes more than four bytes for one UTF-16 code unit, so one call does.
    std::string out(text.size() * 4, '\0');
    BOOL defaulted = FALSE;
    const bool canReport = usedDefault != nullptr && GetACP() != CP_UTF8 && GetACP() != CP_UTF7;
    const int written = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                            static_cast<int>(out.size()), nullptr, canReport ? &defaulted : nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    if (usedDefault != nullptr) *usedDefault = defaulted != FALSE;
    return out;
}

}  // namespace zelmo::win
