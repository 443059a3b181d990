#include "text.h"

#include <windows.h>

namespace zelmo::standin {

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
