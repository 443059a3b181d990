#include "dispatch_client.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace zelmo::standin_test {
namespace {

constexpr CLSID kClsidApplication = {0x00024500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Hex(HRESULT value) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(value));
    return buffer;
}

Var& Var::operator=(Var&& other) noexcept {
    if (this != &other) {
        VariantClear(&v_);
        v_ = other.v_;
        VariantInit(&other.v_);
    }
    return *this;
}

Var Var::Str(const std::wstring& text) {
    Var v;
    V_VT(&v.v_) = VT_BSTR;
    V_BSTR(&v.v_) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

Var Var::I2(short value) {
    Var v;
    V_VT(&v.v_) = VT_I2;
    V_I2(&v.v_) = value;
    return v;
}

Var Var::I4(long value) {
    Var v;
    V_VT(&v.v_) = VT_I4;
    V_I4(&v.v_) = value;
    return v;
}

Var Var::Bool(bool value) {
    Var v;
    V_VT(&v.v_) = VT_BOOL;
    V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Var Var::Omitted() {
    Var v;
    V_VT(&v.v_) = VT_ERROR;
    V_ERROR(&v.v_) = DISP_E_PARAMNOTFOUND;
    return v;
}

Var Var::Object(IDispatch* object) {
    Var v;
    V_VT(&v.v_) = VT_DISPATCH;
    V_DISPATCH(&v.v_) = object;
    if (object != nullptr) object->AddRef();
    return v;
}

Var Var::RefTo(VARIANT* target) {
    Var v;
    V_VT(&v.v_) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v.v_) = target;
    return v;
}

std::wstring Var::AsString() const {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&v_), 0, VT_BSTR))) return L"<not text>";
    std::wstring out(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
    VariantClear(&text);
    return out;
}

long Var::AsLong() const {
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&v_), 0, VT_I4))) return -999999;
    return V_I4(&number);
}

bool Var::AsBool() const {
    VARIANT flag;
    VariantInit(&flag);
    if (FAILED(VariantChangeType(&flag, const_cast<VARIANT*>(&v_), 0, VT_BOOL))) return false;
    return V_BOOL(&flag) != VARIANT_FALSE;
}

Disp& Disp::operator=(Disp&& other) noexcept {
    if (this != &other) {
        Reset();
        p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
}

void Disp::Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
}

Disp Disp::CreateExcel(HRESULT* hr) {
    IDispatch* app = nullptr;
    const HRESULT result =
        CoCreateInstance(kClsidApplication, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&app));
    if (hr != nullptr) *hr = result;
    return Disp(SUCCEEDED(result) ? app : nullptr);
}

Outcome Disp::Invoke(const std::wstring& member, WORD flags, std::vector<Var> positional, Named named, LCID lcid) const {
    Outcome outcome;
    if (p_ == nullptr) {
        outcome.hr = E_POINTER;
        return outcome;
    }
    std::vector<std::wstring> names{member};
    for (const auto& entry : named) names.push_back(entry.first);
    std::vector<LPOLESTR> namePointers;
    for (auto& name : names) namePointers.push_back(name.data());
    std::vector<DISPID> ids(names.size());
    outcome.hr = p_->GetIDsOfNames(IID_NULL, namePointers.data(), static_cast<UINT>(names.size()), lcid, ids.data());
    if (FAILED(outcome.hr)) return outcome;
    return Send(ids, flags, std::move(positional), std::move(named), lcid);
}

Outcome Disp::InvokeId(DISPID id, WORD flags, std::vector<Var> positional, LCID lcid) const {
    if (p_ == nullptr) {
        Outcome outcome;
        outcome.hr = E_POINTER;
        return outcome;
    }
    return Send({id}, flags, std::move(positional), {}, lcid);
}

Outcome Disp::Send(const std::vector<DISPID>& ids, WORD flags, std::vector<Var> positional, Named named,
                   LCID lcid) const {
    Outcome outcome;

    // rgvarg: the named arguments first, then the positional ones last to first.
    std::vector<VARIANT> args;
    std::vector<DISPID> namedIds;
    for (size_t i = 0; i < named.size(); ++i) {
        args.push_back(named[i].second.value());
        namedIds.push_back(ids[i + 1]);
    }
    for (size_t i = positional.size(); i-- > 0;) args.push_back(positional[i].value());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), namedIds.empty() ? nullptr : namedIds.data(), static_cast<UINT>(args.size()),
                      static_cast<UINT>(namedIds.size())};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO excep{};
    UINT argErr = 0;
    outcome.hr = p_->Invoke(ids[0], IID_NULL, lcid, flags, &params, outcome.result.get(), &excep, &argErr);
    if (outcome.hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn != nullptr) excep.pfnDeferredFillIn(&excep);
        outcome.scode = excep.scode;
        if (excep.bstrSource != nullptr) outcome.source.assign(excep.bstrSource, SysStringLen(excep.bstrSource));
        if (excep.bstrDescription != nullptr)
            outcome.description.assign(excep.bstrDescription, SysStringLen(excep.bstrDescription));
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return outcome;
}

static Disp ObjectOf(Outcome outcome, const std::wstring& member) {
    if (!outcome.ok() || V_VT(outcome.result.get()) != VT_DISPATCH) {
        ADD_FAILURE() << Narrow(member) << " failed: " << Narrow(Hex(outcome.hr)) << " " << Narrow(outcome.description);
        return Disp();
    }
    IDispatch* object = V_DISPATCH(outcome.result.get());
    V_VT(outcome.result.get()) = VT_EMPTY;  // the reference moves into the Disp
    return Disp(object);
}

Disp Disp::GetObj(const std::wstring& member, std::vector<Var> positional) const {
    return ObjectOf(Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(positional)), member);
}

Disp Disp::CallObj(const std::wstring& member, std::vector<Var> positional, Named named) const {
    return ObjectOf(Invoke(member, DISPATCH_METHOD, std::move(positional), std::move(named)), member);
}

std::wstring Disp::GetString(const std::wstring& member) const {
    Outcome outcome = Invoke(member, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(outcome.ok()) << Narrow(member) << ": " << Narrow(Hex(outcome.hr));
    return outcome.result.AsString();
}

long Disp::GetLong(const std::wstring& member) const {
    Outcome outcome = Invoke(member, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(outcome.ok()) << Narrow(member) << ": " << Narrow(Hex(outcome.hr));
    return outcome.result.AsLong();
}

Outcome Disp::Put(const std::wstring& member, Var value) const {
    std::vector<Var> args;
    args.push_back(std::move(value));
    return Invoke(member, DISPATCH_PROPERTYPUT, std::move(args));
}

bool Disp::Answers(const IID& iid) const {
    IUnknown* other = nullptr;
    if (p_ == nullptr || FAILED(p_->QueryInterface(iid, reinterpret_cast<void**>(&other)))) return false;
    other->Release();
    return true;
}

}  // namespace zelmo::standin_test
