// The base of every object of the model: IUnknown and IDispatch over a table of members. Names
// resolve ignoring case (any LCID), the call's arguments are unpacked by CallArgs, every call is
// journalled, and a member's AutomationError becomes DISP_E_EXCEPTION with EXCEPINFO.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "call_args.h"

namespace zelmo::standin {

class DispatchObject : public IDispatch {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // The server's own object behind `object`, or nullptr for anything else (a proxy, a stranger).
    static DispatchObject* FromUnknown(IUnknown* object);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

    // For the journal: the kind and, where it has one, the name ("Workbook \"Book1\"").
    virtual std::wstring Label() const = 0;
    ULONG RefCount() const { return refs_; }

protected:
    DispatchObject();
    virtual ~DispatchObject();

    // The object's kind as clients know it ("Workbook"), and its public interface.
    virtual const wchar_t* Kind() const = 0;
    virtual const IID& PublicIid() const = 0;
    virtual const std::vector<MemberInfo>& Members() const = 0;
    // Runs a member. `flags` are Invoke's; `result` may be null. Throws AutomationError.
    virtual void Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) = 0;
    // What a fault-injection rule "Member:Text" compares with for this call.
    virtual std::wstring FaultSubject(DISPID, const CallArgs&) const { return {}; }

private:
    ULONG refs_ = 1;
};

// Helpers for members.
bool IsGet(WORD flags);
bool IsPut(WORD flags);
void ReturnObject(VARIANT* result, DispatchObject* object);  // takes over the caller's reference
void ReturnString(VARIANT* result, const std::wstring& text);
void ReturnLong(VARIANT* result, long value);
void ReturnBool(VARIANT* result, bool value);
[[noreturn]] void NoSuchMember();

}  // namespace zelmo::standin
