#include "files/folder_picker.h"

#include <shlobj.h>

#include <vector>

#include "errors/step_error.h"
#include "win/handles.h"

namespace zelmo::files {

std::wstring PickFolder(HWND owner) {
    // The display name is not used, but some shell versions write it without checking for a
    // buffer, so one is given.
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = displayName;
    request.lpszTitle = kFolderDialogTitle;
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = nullptr;
    request.lParam = 0;

    win::TaskMem<ITEMIDLIST> item(SHBrowseForFolderW(&request));
    if (!item) return std::wstring();

    // Room for a long path; the item list is freed by its owner on every way out.
    std::vector<wchar_t> path(32768, L'\0');
    if (!SHGetPathFromIDListEx(item.get(), path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) ||
        path[0] == L'\0') {
        throw errors::StepError(L"選択した項目はファイルシステムのフォルダではないため、開けません。", L"");
    }
    return std::wstring(path.data());
}

}  // namespace zelmo::files
