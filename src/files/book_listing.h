// The listing of a folder's workbook files: every file directly in the folder whose name contains
// ".xlsx", in the order in which the file-system service enumerates them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "win/handles.h"

namespace zelmo::files {

// The programmatic identifier of the file-system service, spelled as the program has always
// spelled it (identifiers are matched without regard to case). Deliberate: keep the spelling.
inline constexpr wchar_t kFileSystemProgId[] = L"Scripting.FileSystemobject";

// A workbook name contains ".xlsx" anywhere, case-sensitive: a substring test, not an extension
// test (report.xlsx.old qualifies, REPORT.XLSX and report.xlsm do not).
inline bool IsWorkbookName(std::wstring_view name) { return name.find(L".xlsx") != std::wstring_view::npos; }

// Walks the folder through the file-system service, late-bound: GetFolder, then
// GetAbsolutePathName (handed to `fullPath` as soon as it is known), then every file of the
// folder's Files collection; the Name of each workbook file goes to `book`. Files of subfolders
// are not visited. Throws errors::StepError naming the failing step, with the service's reason.
void EnumerateWorkbooks(const std::wstring& folderPath, const std::function<void(std::wstring)>& fullPath,
                        const std::function<void(const std::wstring&)>& book);

// Fills a list box with names while the list is not repainted. After each added name, the first
// entry is selected and the list's horizontal scroll range is set to the width of the widest name
// so far (measured with one space appended, in the font of `measureWindow`'s text, in pixels):
// each name is measured once and the running maximum kept.
class ListFiller {
public:
    ListFiller(HWND list, HWND measureWindow, HFONT measureFont);
    ~ListFiller();
    ListFiller(const ListFiller&) = delete;
    ListFiller& operator=(const ListFiller&) = delete;

    // Throws errors::StepError when the list already holds 32,767 entries.
    void Add(const std::wstring& name);
    int widest() const noexcept { return widest_; }

private:
    HWND list_;
    win::WindowDC dc_;
    win::SelectScope font_;
    bool extendedSelection_;
    int widest_ = 0;
};

}  // namespace zelmo::files
