#include "confirm_overwrite.h"

#include <windows.h>

#include "ids.h"
#include "journal.h"

namespace zelmo::standin {

bool ConfirmOverwrite(const std::wstring& fullPath) {
    const std::wstring text = L"「" + fullPath + L"」という名前のファイルが既にあります。置き換えますか?";
    // MB_DEFBUTTON2: No is the default, so that Enter alone never replaces a file.
    const int answer = MessageBoxW(nullptr, text.c_str(), kServerName,
                                   MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND | MB_TOPMOST);
    Journal::Get().Write(std::wstring(L"server overwrite confirmation answered ") + (answer == IDYES ? L"Yes" : L"No"));
    return answer == IDYES;
}

}  // namespace zelmo::standin
