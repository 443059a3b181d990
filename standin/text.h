// Names compared as the file system and late-bound clients compare them: ignoring case. (UTF-8 <->
// UTF-16 at the engine boundary, where the engine speaks UTF-8 and COM UTF-16: win/text.h.)
#pragma once

#include <string>
#include <string_view>

namespace zelmo::standin {

// Lower-case for comparisons of file names (the file system ignores case).
std::wstring FoldCase(std::wstring_view text);
bool EqualNoCase(std::wstring_view a, std::wstring_view b);
// A member or parameter name against a client's spelling of it, ignoring case; allocates nothing
// (GetIDsOfNames answers it on every late-bound call).
bool SameName(const wchar_t* ours, const wchar_t* theirs);

}  // namespace zelmo::standin
