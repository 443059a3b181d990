#include "dispatch_object.h"

#include <oleauto.h>

#include <exception>
#include <new>

#include "automation_error.h"
#include "faults.h"
#include "ids.h"
#include "journal.h"
#include "lifetime.h"
#include "server_lock.h"
#include "text.h"
#include "win/com.h"
#include "win/com_error.h"
#include "win/text.h"

namespace zelmo::standin {
namespace {

const wchar_t* FlagsText(WORD flags) {
    if ((flags & DISPATCH_METHOD) && (flags & DISPATCH_PROPERTYGET)) return L"METHOD|GET";
    if (flags & DISPATCH_METHOD) return L"METHOD";
    if (flags & DISPATCH_PROPERTYGET) return L"GET";
    if (flags & DISPATCH_PROPERTYPUTREF) return L"PUTREF";
    if (flags & DISPATCH_PROPERTYPUT) return L"PUT";
    return L"?";
}

void FillException(EXCEPINFO* excep, const AutomationError& error) {
    if (excep == nullptr) return;
    *excep = EXCEPINFO{};
    excep->scode = error.scode();
    excep->bstrSource = SysAllocString(kServerName);
    excep->bstrDescription = SysAllocStringLen(error.description().data(), static_cast<UINT>(error.description().size()));
}

}  // namespace

DispatchObject::DispatchObject() { Lifetime::Get().ObjectCreated(this); }

DispatchObject::~DispatchObject() { Lifetime::Get().ObjectDestroyed(this); }

DispatchObject* DispatchObject::FromUnknown(IUnknown* object) {
    if (object == nullptr) return nullptr;
    void* raw = nullptr;
    if (FAILED(object->QueryInterface(kIidStandinObject, &raw)) || raw == nullptr) return nullptr;
    // Only a pointer that is one of this process's live objects is trusted (and then released).
    auto* candidate = static_cast<DispatchObject*>(raw);
    if (!Lifetime::Get().IsLive(candidate)) return nullptr;
    candidate->Release();
    return candidate;
}

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, kIidStandinObject)) {
        *out = this;  // the DispatchObject itself; see FromUnknown
    } else if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, PublicIid())) {
        *out = static_cast<IDispatch*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef() {
    const ServerGuard guard(ServerLock());
    return ++refs_;
}

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
    const ServerGuard guard(ServerLock());
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                        DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    const MemberInfo* found = nullptr;
    for (const MemberInfo& member : Members()) {
        if (SameName(member.name, names[0])) {
            found = &member;
            break;
        }
    }
    HRESULT hr = S_OK;
    ids[0] = found != nullptr ? found->id : DISPID_UNKNOWN;
    if (found == nullptr) hr = DISP_E_UNKNOWNNAME;
    // Parameter names map to their position, which is how named arguments come back in Invoke.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (found == nullptr) continue;
        for (size_t p = 0; p < found->params.size(); ++p)
            if (SameName(found->params[p], names[i])) ids[i] = static_cast<DISPID>(p);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                                 UINT* argErr) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const ServerGuard guard(ServerLock());
    const MemberInfo* member = nullptr;
    for (const MemberInfo& m : Members())
        if (m.id == id) member = &m;
    // The journal's line is only put together when there is a journal to write it to.
    Journal& journal = Journal::Get();
    const bool journalled = journal.enabled();
    std::wstring line;
    std::wstring tail;
    if (journalled) {
        // The default member (DISPID_VALUE) is the member the object's table lists under it.
        const std::wstring memberName = member != nullptr ? member->name : L"#" + std::to_wstring(id);
        line = Label() + L"." + memberName + L" " + FlagsText(flags) + L"(";
        tail = L" lcid=" + std::to_wstring(lcid) + L" -> ";
    }
    if (member == nullptr) {
        journal.Write(line + L")" + tail + L"error DISP_E_MEMBERNOTFOUND");
        return DISP_E_MEMBERNOTFOUND;
    }
    // The result is empty unless the member succeeds: it fills an owner of its own, which a failure
    // clears, and which is handed over only at the end.
    if (result != nullptr) VariantInit(result);
    static const DISPPARAMS kNoParams{nullptr, nullptr, 0, 0};
    try {
        const CallArgs args(params != nullptr ? *params : kNoParams, *member, IsPut(flags));
        if (journalled) line += args.Describe() + L")";
        Faults& faults = Faults::Get();
        if (faults.size() != 0) faults.Check(Kind(), member->name, FaultSubject(id, args), GetTickCount64());
        win::Variant value;
        Call(id, flags, args, result != nullptr ? value.Receive() : nullptr);
        if (journalled)
            journal.Write(line + tail + (result != nullptr ? DescribeVariant(value.get()) : L"(no result asked)"));
        if (result != nullptr) *result = value.release();
        return S_OK;
    } catch (const AutomationError& error) {
        if (journalled && line.back() == L'(') line += L"?)";
        if (error.result() == DISP_E_EXCEPTION) {
            FillException(excep, error);
            Journal::Get().Write(line + tail + L"error " + win::HexCode(error.scode()) + L" \"" + error.description() + L"\"");
        } else {
            if (argErr != nullptr) *argErr = error.argErr();
            Journal::Get().Write(line + tail + L"error " + win::HexCode(error.result()));
        }
        return error.result();
    } catch (const std::bad_alloc&) {
        Journal::Get().Write(line + tail + L"error E_OUTOFMEMORY");
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        const AutomationError error(L"内部エラーが発生しました (" + win::FromUtf8(e.what()) + L")。");
        FillException(excep, error);
        Journal::Get().Write(line + tail + L"error " + win::HexCode(error.scode()) + L" \"" + error.description() + L"\"");
        return DISP_E_EXCEPTION;
    }
}

bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }
bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

void ReturnObject(VARIANT* result, DispatchObject* object) {
    if (result == nullptr) {
        object->Release();
        return;
    }
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object;
}

void ReturnString(VARIANT* result, const std::wstring& text) {
    if (result == nullptr) return;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void ReturnLong(VARIANT* result, long value) {
    if (result == nullptr) return;
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

void ReturnBool(VARIANT* result, bool value) {
    if (result == nullptr) return;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void NoSuchMember() { throw AutomationError::Call(DISP_E_MEMBERNOTFOUND); }

}  // namespace zelmo::standin
