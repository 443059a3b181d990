// The test bed's registration as Excel.Application (--register-testbed), and its removal
// (--unregister-testbed): for the project's own Wine prefix, where the program's Excel path is
// tested against this server. Both refuse while another program is registered as
// Excel.Application, so that an installed spreadsheet program is never shadowed or broken.
// On a user's machine the server is used under its own class, which the program registers; its
// removal is UnregisterBundled (--unregister).
//
// On Windows the keys go to HKCU\Software\Classes. Wine's COM reads only the machine's class view, so
// under Wine they go to HKEY_CLASSES_ROOT of the prefix (which belongs to its one user anyway).
#pragma once

#include <string>

namespace zelmo::standin {

struct RegistrationResult {
    bool ok;
    std::wstring message;  // Japanese, for the person who ran the command
};

RegistrationResult Register(const std::wstring& exePath);
RegistrationResult Unregister(const std::wstring& exePath);
// Removes the per-user registration of the server's own class (ExcelZelmo.SheetServer).
RegistrationResult UnregisterBundled();

}  // namespace zelmo::standin
