#include "call_args.h"

#include <oleauto.h>

#include "automation_error.h"
#include "dispatch_object.h"
#include "win/com_error.h"

namespace zelmo::standin {
namespace {

const VARIANT* Deref(const VARIANT* v) {
    while (v != nullptr && V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    return v;
}

bool IsOmitted(const VARIANT* v) {
    v = Deref(v);
    if (v == nullptr) return true;
    if (V_VT(v) == VT_ERROR) return V_ERROR(v) == DISP_E_PARAMNOTFOUND;
    if (V_VT(v) == (VT_ERROR | VT_BYREF)) return *V_ERRORREF(v) == DISP_E_PARAMNOTFOUND;
    return false;
}

const wchar_t* TypeName(VARTYPE type) {
    switch (type & VT_TYPEMASK) {
        case VT_EMPTY: return L"VT_EMPTY";
        case VT_NULL: return L"VT_NULL";
        case VT_I1: return L"VT_I1";
        case VT_I2: return L"VT_I2";
        case VT_I4: return L"VT_I4";
        case VT_I8: return L"VT_I8";
        case VT_UI1: return L"VT_UI1";
        case VT_UI2: return L"VT_UI2";
        case VT_UI4: return L"VT_UI4";
        case VT_UI8: return L"VT_UI8";
        case VT_INT: return L"VT_INT";
        case VT_UINT: return L"VT_UINT";
        case VT_R4: return L"VT_R4";
        case VT_R8: return L"VT_R8";
        case VT_CY: return L"VT_CY";
        case VT_DATE: return L"VT_DATE";
        case VT_DECIMAL: return L"VT_DECIMAL";
        case VT_BSTR: return L"VT_BSTR";
        case VT_DISPATCH: return L"VT_DISPATCH";
        case VT_UNKNOWN: return L"VT_UNKNOWN";
        case VT_ERROR: return L"VT_ERROR";
        case VT_BOOL: return L"VT_BOOL";
        case VT_VARIANT: return L"VT_VARIANT";
        default: return L"VT_?";
    }
}

}  // namespace

CallArgs::CallArgs(const DISPPARAMS& params, const MemberInfo& member, bool isPut)
    : member_(member), slots_(member.params.size()) {
    const UINT named = params.cNamedArgs;
    if (named > params.cArgs || (params.cArgs > 0 && params.rgvarg == nullptr) ||
        (named > 0 && params.rgdispidNamedArgs == nullptr))
        throw AutomationError::Call(E_INVALIDARG);
    for (UINT i = 0; i < named; ++i) {
        const DISPID id = params.rgdispidNamedArgs[i];
        Slot slot{&params.rgvarg[i], i, true};
        if (id == DISPID_PROPERTYPUT && isPut) {
            put_ = slot;
        } else if (id >= 0 && static_cast<size_t>(id) < slots_.size() && slots_[static_cast<size_t>(id)].value == nullptr) {
            slots_[static_cast<size_t>(id)] = slot;
        } else {
            throw AutomationError::Call(DISP_E_PARAMNOTFOUND, i);
        }
    }
    // Positional arguments follow the named ones in rgvarg, last argument first.
    UINT positional = params.cArgs - named;
    if (isPut && put_.value == nullptr) {
        if (positional == 0) throw AutomationError::Call(DISP_E_BADPARAMCOUNT);
        put_ = Slot{&params.rgvarg[named], named, false};  // the value comes last, so first in rgvarg
        --positional;
    }
    if (positional > slots_.size()) throw AutomationError::Call(DISP_E_BADPARAMCOUNT);
    for (UINT k = 0; k < positional; ++k) {
        const UINT rgIndex = params.cArgs - 1 - k;
        if (slots_[k].value != nullptr) throw AutomationError::Call(DISP_E_PARAMNOTFOUND, rgIndex);
        slots_[k] = Slot{&params.rgvarg[rgIndex], rgIndex, false};
    }
}

const VARIANT* CallArgs::Get(size_t position) const {
    if (position >= slots_.size() || IsOmitted(slots_[position].value)) return nullptr;
    return Deref(slots_[position].value);
}

win::Variant CallArgs::Converted(size_t position, VARTYPE type) const {
    win::Variant out;
    // VariantChangeType reads through VT_BYREF itself.
    const HRESULT hr = VariantChangeType(out.Receive(), const_cast<VARIANT*>(Get(position)), 0, type);
    if (FAILED(hr)) throw AutomationError::Call(DISP_E_TYPEMISMATCH, slots_[position].rgIndex);
    return out;
}

bool CallArgs::IsText(size_t position) const {
    const VARIANT* v = Get(position);
    return v != nullptr && (V_VT(v) == VT_BSTR || V_VT(v) == (VT_BSTR | VT_BYREF));
}

std::wstring CallArgs::String(size_t position) const {
    if (!Has(position)) throw AutomationError::Call(DISP_E_PARAMNOTOPTIONAL);
    return *OptString(position);
}

long CallArgs::Long(size_t position) const {
    if (!Has(position)) throw AutomationError::Call(DISP_E_PARAMNOTOPTIONAL);
    return *OptLong(position);
}

std::optional<std::wstring> CallArgs::OptString(size_t position) const {
    if (!Has(position)) return std::nullopt;
    return Converted(position, VT_BSTR).ToString();
}

std::optional<long> CallArgs::OptLong(size_t position) const {
    if (!Has(position)) return std::nullopt;
    return Converted(position, VT_I4).get().lVal;
}

std::optional<bool> CallArgs::OptBool(size_t position) const {
    if (!Has(position)) return std::nullopt;
    return Converted(position, VT_BOOL).get().boolVal != VARIANT_FALSE;
}

IUnknown* CallArgs::OptObject(size_t position) const {
    const VARIANT* v = Get(position);
    if (v == nullptr) return nullptr;
    switch (V_VT(v)) {
        case VT_DISPATCH: return V_DISPATCH(v);
        case VT_UNKNOWN: return V_UNKNOWN(v);
        case VT_DISPATCH | VT_BYREF: return *V_DISPATCHREF(v);
        case VT_UNKNOWN | VT_BYREF: return *V_UNKNOWNREF(v);
        default: throw AutomationError::Call(DISP_E_TYPEMISMATCH, slots_[position].rgIndex);
    }
}

const VARIANT& CallArgs::PutValue() const { return *Deref(put_.value); }

bool CallArgs::PutBool() const {
    win::Variant v;
    if (FAILED(VariantChangeType(v.Receive(), const_cast<VARIANT*>(&PutValue()), 0, VT_BOOL)))
        throw AutomationError::Call(DISP_E_TYPEMISMATCH, put_.rgIndex);
    return v.get().boolVal != VARIANT_FALSE;
}

std::wstring CallArgs::Describe() const {
    std::wstring out;
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].value == nullptr) continue;
        if (!out.empty()) out += L", ";
        out += member_.params[i];
        out += slots_[i].named ? L":=" : L"=";
        out += DescribeVariant(*slots_[i].value);
    }
    if (put_.value != nullptr) {
        if (!out.empty()) out += L", ";
        out += L"value=" + DescribeVariant(*put_.value);
    }
    return out;
}

std::wstring DescribeVariant(const VARIANT& value) {
    const VARIANT* v = &value;
    std::wstring prefix;
    if (V_VT(v) == (VT_VARIANT | VT_BYREF)) {
        prefix = L"VT_BYREF|VT_VARIANT>";
        v = Deref(v);
    }
    const VARTYPE type = V_VT(v);
    if (type & VT_BYREF) prefix += L"VT_BYREF|";
    prefix += TypeName(type);
    if (type & VT_ARRAY) return prefix + L":array";
    const VARTYPE base = type & VT_TYPEMASK;
    if (base == VT_ERROR) {
        const SCODE code = (type & VT_BYREF) ? *V_ERRORREF(v) : V_ERROR(v);
        if (code == DISP_E_PARAMNOTFOUND) return prefix + L":omitted";
        return prefix + L":" + win::HexCode(code);
    }
    if (base == VT_DISPATCH || base == VT_UNKNOWN) {
        IUnknown* object = (type & VT_BYREF) ? *V_UNKNOWNREF(v) : V_UNKNOWN(v);
        if (object == nullptr) return prefix + L":Nothing";
        DispatchObject* own = DispatchObject::FromUnknown(object);
        return prefix + L":" + (own != nullptr ? own->Label() : std::wstring(L"foreign object"));
    }
    if (base == VT_EMPTY || base == VT_NULL) return prefix;
    win::Variant text;
    if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(v), VARIANT_ALPHABOOL, VT_BSTR))) return prefix + L":?";
    std::wstring shown = text.ToString();
    if (base == VT_BSTR) shown = L"\"" + shown + L"\"";
    return prefix + L":" + shown;
}

}  // namespace zelmo::standin
