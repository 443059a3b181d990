// The one error type of every COM call the program makes: what failed (the member or API), the
// HRESULT, and the server's own source and description when it gave them.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace zelmo::win {

class ComError : public std::runtime_error {
public:
    // hr is the failure code: for DISP_E_EXCEPTION the code the server put into its exception
    // information (scode, or wCode when scode is 0), otherwise the HRESULT of the call itself.
    ComError(HRESULT hr, std::wstring member, std::wstring source = {}, std::wstring description = {});

    HRESULT hr() const noexcept { return hr_; }
    // The member or API that failed, e.g. L"GetFolder" or L"CoCreateInstance(Scripting.FileSystemobject)".
    const std::wstring& member() const noexcept { return member_; }
    const std::wstring& source() const noexcept { return source_; }
    // The server's description; empty when it gave none.
    const std::wstring& description() const noexcept { return description_; }

private:
    HRESULT hr_;
    std::wstring member_;
    std::wstring source_;
    std::wstring description_;
};

// The system's message text for an HRESULT (FormatMessageW), without the trailing line break;
// empty when the system has none.
std::wstring SystemMessage(HRESULT hr);

// "0x" and eight upper-case hex digits.
std::wstring HexCode(HRESULT hr);

// Throws ComError(hr, member) when hr is a failure.
inline void Check(HRESULT hr, const wchar_t* member) {
    if (FAILED(hr)) throw ComError(hr, member);
}

}  // namespace zelmo::win
