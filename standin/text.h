// UTF-8 <-> UTF-16 for the engine boundary (the engine speaks UTF-8, COM speaks UTF-16).
#pragma once

#include <string>
#include <string_view>

namespace zelmo::standin {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
// Lower-case for comparisons of file names (the file system ignores case).
std::wstring FoldCase(std::wstring_view text);
bool EqualNoCase(std::wstring_view a, std::wstring_view b);
// A member or parameter name against a client's spelling of it, ignoring case; allocates nothing
// (GetIDsOfNames answers it on every late-bound call).
bool SameName(const wchar_t* ours, const wchar_t* theirs);

}  // namespace zelmo::standin
