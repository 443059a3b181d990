// How a member of the object model fails: the HRESULT Invoke returns and, for DISP_E_EXCEPTION, the
// EXCEPINFO the client receives (Excel's code and a Japanese description naming the file and cause).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "ids.h"

namespace zelmo::standin {

class AutomationError {
public:
    // A failure the client sees as DISP_E_EXCEPTION with `scode` and `description`.
    explicit AutomationError(std::wstring description, HRESULT scode = kExcelError)
        : result_(DISP_E_EXCEPTION), scode_(scode), description_(std::move(description)) {}
    // A failure of the call itself (DISP_E_TYPEMISMATCH, DISP_E_BADPARAMCOUNT, ...), with the
    // position in rgvarg of the argument at fault where there is one.
    static AutomationError Call(HRESULT result, UINT argErr = 0) {
        AutomationError e(L"", result);
        e.result_ = result;
        e.argErr_ = argErr;
        return e;
    }

    HRESULT result() const { return result_; }
    HRESULT scode() const { return scode_; }
    const std::wstring& description() const { return description_; }
    UINT argErr() const { return argErr_; }

private:
    HRESULT result_;
    HRESULT scode_;
    std::wstring description_;
    UINT argErr_ = 0;
};

}  // namespace zelmo::standin
