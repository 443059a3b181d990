// The question before a file is replaced: a Japanese Yes/No box that defaults to No and is shown even
// though the application is invisible.
#pragma once

#include <string>

namespace zelmo::standin {

// True when the user chose Yes.
bool ConfirmOverwrite(const std::wstring& fullPath);

}  // namespace zelmo::standin
