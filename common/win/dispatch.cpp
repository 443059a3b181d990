#include "win/dispatch.h"

#include <algorithm>

#include "win/busy_server.h"

namespace zelmo::win {

constexpr LCID kLcid = 1033;

// --- Variant -----------------------------------------------------------------------------------

Variant::Variant(const Dispatch& object) noexcept : Variant(object.get()) {}

Variant Variant::Copy() const {
    Variant out;
    Check(VariantCopy(out.Receive(), AsInput()), L"VariantCopy");
    return out;
}

std::wstring Variant::ToString() const {
    if (v_.vt == VT_BSTR) return v_.bstrVal == nullptr ? std::wstring() : std::wstring(v_.bstrVal, SysStringLen(v_.bstrVal));
    Variant converted;
    Check(VariantChangeTypeEx(converted.Receive(), AsInput(), kLcid, 0, VT_BSTR), L"VariantChangeType(VT_BSTR)");
    return converted.ToString();
}

int32_t Variant::ToInt32() const {
    if (v_.vt == VT_I4) return v_.lVal;
    Variant converted;
    Check(VariantChangeTypeEx(converted.Receive(), AsInput(), kLcid, 0, VT_I4), L"VariantChangeType(VT_I4)");
    return converted.v_.lVal;
}

bool Variant::ToBool() const {
    if (v_.vt == VT_BOOL) return v_.boolVal != VARIANT_FALSE;
    Variant converted;
    Check(VariantChangeTypeEx(converted.Receive(), AsInput(), kLcid, 0, VT_BOOL), L"VariantChangeType(VT_BOOL)");
    return converted.v_.boolVal != VARIANT_FALSE;
}

Dispatch Variant::ToDispatch() const {
    IUnknown* unknown = nullptr;
    if (v_.vt == VT_DISPATCH) unknown = v_.pdispVal;
    else if (v_.vt == VT_UNKNOWN) unknown = v_.punkVal;
    else throw ComError(DISP_E_TYPEMISMATCH, L"Variant::ToDispatch");
    if (unknown == nullptr) throw ComError(E_POINTER, L"Variant::ToDispatch");
    ComPtr<IDispatch> object;
    Check(unknown->QueryInterface(IID_IDispatch, object.put_void()), L"QueryInterface(IDispatch)");
    return Dispatch(std::move(object));
}

// --- Dispatch ----------------------------------------------------------------------------------

HRESULT Dispatch::ClassOf(std::wstring_view progId, CLSID& clsid) {
    const std::wstring id(progId);
    return id.size() > 0 && id.front() == L'{' ? CLSIDFromString(id.c_str(), &clsid)
                                                 : CLSIDFromProgID(id.c_str(), &clsid);
}

Dispatch Dispatch::Create(std::wstring_view progId, DWORD context) {
    const std::wstring id(progId);
    CLSID clsid{};
    HRESULT hr = ClassOf(id, clsid);
    if (FAILED(hr)) throw ComError(hr, L"CLSIDFromProgID(" + id + L")");
    ComPtr<IDispatch> object;
    hr = CoCreateInstance(clsid, nullptr, context, IID_IDispatch, object.put_void());
    if (FAILED(hr)) throw ComError(hr, L"CoCreateInstance(" + id + L")");
    return Dispatch(std::move(object));
}

void Dispatch::Require(std::wstring_view member) const {
    if (!object_) throw ComError(E_POINTER, std::wstring(member) + L" (no object)");
}

DISPID Dispatch::IdOf(std::wstring_view member) const {
    Require(member);
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = RetryWhileBusy([&] { return object_->GetIDsOfNames(IID_NULL, names, 1, kLcid, &id); });
    if (FAILED(hr)) throw ComError(hr, name);
    return id;
}

Variant Dispatch::InvokeNamed(WORD flags, std::wstring_view member, ArgList args) const {
    Require(member);
    // The member's name and the names of its named arguments are looked up in one call, which
    // is how a server tells which method's parameters the names belong to.
    std::vector<std::wstring> names;
    names.emplace_back(member);
    for (const Named& n : args.named) names.push_back(n.name);
    std::vector<LPOLESTR> pointers;
    for (std::wstring& n : names) pointers.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const HRESULT hr = RetryWhileBusy([&] {
        return object_->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()), kLcid,
                                      ids.data());
    });
    if (FAILED(hr)) throw ComError(hr, std::wstring(member));
    const DISPID id = ids.front();
    ids.erase(ids.begin());
    return Invoke(flags, id, ids, member, args);
}

Variant Dispatch::InvokeId(WORD flags, DISPID id, std::wstring_view member, ArgList args) const {
    Require(member);
    if (!args.named.empty()) {
        // Named arguments need their DISPIDs, which only the lookup by name gives.
        throw ComError(E_INVALIDARG, std::wstring(member) + L" (named arguments need the member's name)");
    }
    return Invoke(flags, id, {}, member, args);
}

Variant Dispatch::Invoke(WORD flags, DISPID id, const std::vector<DISPID>& namedIds, std::wstring_view member,
                         ArgList& args) const {
    // rgvarg holds the named arguments first (matching rgdispidNamedArgs), then the positional
    // ones in reverse order. A property put passes its value as the named DISPID_PROPERTYPUT.
    std::vector<VARIANTARG> argv;
    std::vector<DISPID> dispids;
    if (args.hasPropertyValue) {
        argv.push_back(args.propertyValue.get());
        dispids.push_back(DISPID_PROPERTYPUT);
    }
    for (size_t i = 0; i < args.named.size(); ++i) {
        argv.push_back(args.named[i].value.get());
        dispids.push_back(namedIds[i]);
    }
    for (auto it = args.positional.rbegin(); it != args.positional.rend(); ++it) argv.push_back(it->get());

    DISPPARAMS params{};
    params.rgvarg = argv.empty() ? nullptr : argv.data();
    params.cArgs = static_cast<UINT>(argv.size());
    params.rgdispidNamedArgs = dispids.empty() ? nullptr : dispids.data();
    params.cNamedArgs = static_cast<UINT>(dispids.size());

    Variant result;
    EXCEPINFO info{};
    UINT argError = 0;
    const bool wantsResult = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) == 0;
    // A busy server's refusal changed nothing: the same call is made again (busy_server.h).
    const HRESULT hr = RetryWhileBusy([&] {
        result.Clear();
        info = EXCEPINFO{};
        argError = 0;
        return object_->Invoke(id, IID_NULL, kLcid, flags, &params, wantsResult ? result.Receive() : nullptr,
                               &info, &argError);
    });
    // argv holds shallow copies of the arguments; the owners in `args` free them.
    if (SUCCEEDED(hr)) return result;

    std::wstring name(member);
    if (hr != DISP_E_EXCEPTION) {
        if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) {
            // argError counts from the end of rgvarg's order; say which declared argument it was.
            const UINT fromFirst = params.cArgs - 1 - std::min(argError, params.cArgs - 1);
            name += L" (argument " + std::to_wstring(fromFirst + 1) + L")";
        }
        throw ComError(hr, name);
    }
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    Bstr source, description, help;
    source.reset(info.bstrSource);
    description.reset(info.bstrDescription);
    help.reset(info.bstrHelpFile);
    HRESULT code = info.scode;
    if (code == 0 && info.wCode != 0) code = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode);
    if (code == 0) code = hr;
    throw ComError(code, name, source.str(), description.str());
}

Dispatch::Enumerator Dispatch::Enumerate() const {
    Require(L"_NewEnum");
    ArgList none;
    Variant e = Invoke(DISPATCH_METHOD | DISPATCH_PROPERTYGET, DISPID_NEWENUM, {}, L"_NewEnum", none);
    IUnknown* unknown = e.vt() == VT_UNKNOWN ? e.get().punkVal : e.vt() == VT_DISPATCH ? e.get().pdispVal : nullptr;
    if (unknown == nullptr) throw ComError(DISP_E_TYPEMISMATCH, L"_NewEnum");
    ComPtr<IEnumVARIANT> enumerator;
    Check(unknown->QueryInterface(IID_IEnumVARIANT, enumerator.put_void()), L"_NewEnum (IEnumVARIANT)");
    return Enumerator(std::move(enumerator));
}

std::optional<Variant> Dispatch::Enumerator::Next() {
    if (buffered_.empty() && !done_ && e_) {
        // Elements are fetched a few at a time: one round trip per element is the main cost of
        // walking a large collection.
        constexpr ULONG kBatch = 32;
        VariantRow<kBatch> items;
        ULONG fetched = 0;
        const HRESULT hr = RetryWhileBusy([&] { return e_->Next(kBatch, items.Receive(), &fetched); });
        if (FAILED(hr)) throw ComError(hr, L"IEnumVARIANT::Next");
        fetched = std::min(fetched, kBatch);
        for (ULONG i = 0; i < fetched; ++i) buffered_.push_back(items.Take(i));
        if (hr == S_FALSE || fetched < kBatch) done_ = true;
    }
    if (buffered_.empty()) return std::nullopt;
    Variant front = std::move(buffered_.front());
    buffered_.pop_front();
    return front;
}

}  // namespace zelmo::win
