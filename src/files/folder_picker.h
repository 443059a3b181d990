// The shell's folder dialog: the user picks one file-system folder.
#pragma once

#include <windows.h>

#include <string>

namespace zelmo::files {

inline constexpr wchar_t kFolderDialogTitle[] = L"フォルダの選択";

// Shows the shell's folder dialog modal to `owner`, titled "フォルダの選択", file-system folders
// only, opening at the root of the namespace (no callback). Returns the confirmed folder's full
// path (a drive's root ends in "\"), or the empty string when the user cancels or closes the
// dialog. The Unicode entry points carry the path, so a name outside the ANSI code page arrives
// intact. Throws errors::StepError when a confirmed item has no file-system path.
std::wstring PickFolder(HWND owner);

}  // namespace zelmo::files
