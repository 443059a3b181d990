// The spreadsheet server that ships beside the program (ZelmoSheetServer.exe), used where Excel
// is not installed. It answers under a class of its own, never under Excel's: the class is
// registered for the current user on first use, pointing at the server beside the program, and
// the program talks to it through IDispatch only, so that no Excel identifier (class, ProgID or
// interface) is ever written on the user's machine.
#pragma once

#include <windows.h>

#include <string>

namespace zelmo::ops {

// The server's own class: ProgID "ExcelZelmo.SheetServer".
inline constexpr wchar_t kBundledProgId[] = L"ExcelZelmo.SheetServer";
inline constexpr wchar_t kBundledClsidText[] = L"{D5860A70-935A-46FB-8DE4-34E40AD01B27}";
inline constexpr wchar_t kBundledServerFile[] = L"ZelmoSheetServer.exe";
// The switch the registered command gives the server, so that it answers for this class (COM
// adds -Embedding after it).
inline constexpr wchar_t kBundledSwitch[] = L"--bundled";

// True when creating a class failed because it does not exist: CO_E_CLASSSTRING from
// CLSIDFromProgID, REGDB_E_CLASSNOTREG from the activation.
constexpr bool IsMissingClass(HRESULT hr) noexcept {
    return hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG;
}

// The folder of the running program.
std::wstring ProgramFolder();

// The registered command for a server file: "\"<path>\" --bundled".
std::wstring BundledServerCommand(const std::wstring& serverPath);

// Makes sure the class is registered for the current user and points at `serverPath`: writes
// the keys when they are missing or point elsewhere (the program moved), leaves them otherwise.
// Returns the Win32 error of the first write that failed, or ERROR_SUCCESS.
LSTATUS RegisterBundledServer(const std::wstring& serverPath);

}  // namespace zelmo::ops
