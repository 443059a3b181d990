// Why something failed, as the user reads it after "理由: ": one rule for every failure with a
// code that the program reports, from the file-system service, the shell, COM or Excel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#ifdef _WIN32
namespace zelmo::win {
class ComError;
}
#endif

namespace zelmo::errors {

// The reason for a failure with `code` (an HRESULT, or the code a server put into its exception
// information) and the server's own description: the description on one line, less the line
// breaks and blanks it often ends in; without one, a Japanese text for a well-known code, else
// the system's text for it (Windows), each followed by the code in brackets; else
// "エラー コード 0x…".
std::u16string Reason(int32_t code, std::u16string_view description);

#ifdef _WIN32
// The same for a failed COM call, from its code and the server's description.
std::wstring Reason(const win::ComError& error);
#endif

// "0x" and eight upper-case hex digits.
std::u16string Hex32(uint32_t value);

}  // namespace zelmo::errors
