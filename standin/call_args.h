// The arguments of one IDispatch::Invoke, seen by parameter position: positional arguments (which
// arrive in reverse order in rgvarg), named arguments (rgdispidNamedArgs gives the position) and the
// value of a property put. Omitted means absent or VT_ERROR with DISP_E_PARAMNOTFOUND; VT_BYREF
// variants are read through.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <optional>
#include <string>
#include <vector>

#include "win/com.h"

namespace zelmo::standin {

class DispatchObject;

// One member of an object: its number, its name and the names of its parameters in order.
struct MemberInfo {
    DISPID id;
    const wchar_t* name;
    std::vector<const wchar_t*> params;
};

class CallArgs {
public:
    // Throws AutomationError (DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTFOUND) for arguments that do not
    // fit the member.
    CallArgs(const DISPPARAMS& params, const MemberInfo& member, bool isPut);

    bool Has(size_t position) const { return Get(position) != nullptr; }
    // True when the argument is text (VT_BSTR, also by reference): a collection's index is then a
    // name, else a number.
    bool IsText(size_t position) const;
    // The argument's value (by-reference variants dereferenced), or nullptr when omitted.
    const VARIANT* Get(size_t position) const;

    // Conversions; a value of the wrong type throws DISP_E_TYPEMISMATCH naming the argument.
    std::wstring String(size_t position) const;  // required: DISP_E_PARAMNOTOPTIONAL when omitted
    long Long(size_t position) const;            // required: DISP_E_PARAMNOTOPTIONAL when omitted
    std::optional<std::wstring> OptString(size_t position) const;
    std::optional<long> OptLong(size_t position) const;
    std::optional<bool> OptBool(size_t position) const;
    // An object argument (VT_DISPATCH or VT_UNKNOWN); nullptr when omitted or Nothing. Not AddRef'd.
    IUnknown* OptObject(size_t position) const;
    // The value of a property put.
    const VARIANT& PutValue() const;
    bool PutBool() const;

    // For the journal: "Filename=VT_BSTR:\"C:\\a.xlsx\", After:=VT_DISPATCH:Worksheet \"Sheet1\"".
    std::wstring Describe() const;

private:
    struct Slot {
        const VARIANT* value = nullptr;  // as passed (may be by reference)
        UINT rgIndex = 0;
        bool named = false;
    };
    win::Variant Converted(size_t position, VARTYPE type) const;

    const MemberInfo& member_;
    std::vector<Slot> slots_;  // one per parameter
    Slot put_;
};

// The VARIANT's type and value for the journal, e.g. VT_I4:3, VT_ERROR:omitted.
std::wstring DescribeVariant(const VARIANT& value);

}  // namespace zelmo::standin
