// Registration as Excel.Application for the current user, only when asked (--register), and its
// removal (--unregister). Both refuse while another program is registered as Excel.Application, so
// that an installed spreadsheet program is never shadowed or broken.
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

}  // namespace zelmo::standin
