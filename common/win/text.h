// Text between the portable code and Win32: UTF-16 as the portable code holds it (std::u16string)
// and as Win32 takes it (std::wstring), UTF-8, and the system's ANSI code page. The portable
// UTF-8 pieces are in text/utf.h.
#pragma once

#include <string>
#include <string_view>

namespace zelmo::win {

// wchar_t is 16 bits wide on Windows, so the code units carry over unchanged.
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD (text::ToUtf8).
std::string ToUtf8(std::wstring_view text);

// UTF-8 to UTF-16 by the system's rules (MultiByteToWideChar): a malformed sequence becomes
// U+FFFD. Stricter than the engine's text::NextCodePoint, which decodes overlong forms.
std::wstring FromUtf8(std::string_view text);

// The text in the system's ANSI code page (WideCharToMultiByte with CP_ACP); empty when it cannot
// be converted. `usedDefault`, when given, tells whether a character that the code page lacks was
// replaced by the code page's default character (never set where the code page is UTF-8 or UTF-7,
// which cannot report it).
std::string ToAnsi(std::wstring_view text, bool* usedDefault = nullptr);

}  // namespace zelmo::win
