// Move-only owners for COM: interface pointers, BSTRs (both on the owner template of handles.h),
// VARIANTs and the COM apartment of a thread. Each owner releases what it holds exactly once;
// put() / Receive() release (or insist on an empty value) before handing out an address for a
// callee to fill.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <cassert>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "win/handles.h"
// ToWide and ToU16, which the users of the owners need alongside them.
#include "win/text.h"

namespace zelmo::win {

template <class T>
struct ComTraits {
    using type = T*;
    static type empty() noexcept { return nullptr; }
    static bool valid(type p) noexcept { return p != nullptr; }
    static bool close(type p) noexcept {
        p->Release();
        return true;
    }
};

// An owned interface pointer. The constructor from a pointer adopts a reference the caller
// already owns (no AddRef); Share takes one of its own.
template <class T>
class ComPtr : public Unique<ComTraits<T>> {
public:
    using Unique<ComTraits<T>>::Unique;

    // Takes a reference of its own to a pointer it is lent (AddRef).
    static ComPtr Share(T* p) noexcept {
        if (p != nullptr) p->AddRef();
        return ComPtr(p);
    }
    ComPtr Clone() const noexcept { return Share(this->get()); }

    T* operator->() const noexcept { return this->get(); }
    void** put_void() noexcept { return reinterpret_cast<void**>(this->put()); }

    // QueryInterface into another owner; returns the HRESULT.
    template <class U>
    HRESULT As(ComPtr<U>& out) const noexcept {
        if (this->get() == nullptr) return E_POINTER;
        return this->get()->QueryInterface(__uuidof(U), out.put_void());
    }
};

struct BstrTraits {
    using type = BSTR;
    static type empty() noexcept { return nullptr; }
    static bool valid(type s) noexcept { return s != nullptr; }
    static bool close(type s) noexcept {
        SysFreeString(s);
        return true;
    }
};

// An owned BSTR, made from text (a BSTR from a callee is received through put()).
class Bstr : public Unique<BstrTraits> {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::wstring_view text) : Unique(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (!*this && !text.empty()) throw std::bad_alloc();
    }

    // The text; a null BSTR is the empty string.
    std::wstring str() const { return get() == nullptr ? std::wstring() : std::wstring(get(), SysStringLen(get())); }
};

class Dispatch;

// A VARIANT owned by containment. Move-only; a copy is explicit (Copy()). Every constructor from a
// value is explicit: a value becomes a VARIANT only where the code says so.
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    explicit Variant(std::wstring_view text) : Variant() {  // VT_BSTR
        Bstr b(text);
        v_.vt = VT_BSTR;
        v_.bstrVal = b.release();
    }
    explicit Variant(const wchar_t* text) : Variant(std::wstring_view(text)) {}
    explicit Variant(const std::wstring& text) : Variant(std::wstring_view(text)) {}
    // Narrow text has no VARIANT form here; without this, a narrow literal would become VT_BOOL.
    Variant(const char*) = delete;
    explicit Variant(int16_t value) noexcept : Variant() {  // VT_I2
        v_.vt = VT_I2;
        v_.iVal = value;
    }
    explicit Variant(int32_t value) noexcept : Variant() {  // VT_I4
        v_.vt = VT_I4;
        v_.lVal = value;
    }
    explicit Variant(double value) noexcept : Variant() {  // VT_R8
        v_.vt = VT_R8;
        v_.dblVal = value;
    }
    explicit Variant(bool value) noexcept : Variant() {  // VT_BOOL
        v_.vt = VT_BOOL;
        v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // VT_DISPATCH holding a reference of its own.
    explicit Variant(IDispatch* object) noexcept : Variant() {
        v_.vt = VT_DISPATCH;
        v_.pdispVal = object;
        if (object != nullptr) object->AddRef();
    }
    explicit Variant(const Dispatch& object) noexcept;

    // An optional argument left out: VT_ERROR with DISP_E_PARAMNOTFOUND.
    static Variant Missing() noexcept {
        Variant v;
        v.v_.vt = VT_ERROR;
        v.v_.scode = DISP_E_PARAMNOTFOUND;
        return v;
    }

    Variant(Variant&& other) noexcept : Variant() { std::swap(v_, other.v_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            Clear();
            std::swap(v_, other.v_);
        }
        return *this;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { Clear(); }

    Variant Copy() const;  // VariantCopy; throws ComError on failure
    void Clear() noexcept {
        VariantClear(&v_);
        VariantInit(&v_);
    }
    // The address for a callee to fill. The variant must be empty (filling a live value would leak
    // what it holds): a debug build stops on a live value, a release build frees it first.
    VARIANT* Receive() noexcept {
        assert(v_.vt == VT_EMPTY && "Variant::Receive on a variant that holds a value");
        Clear();
        return &v_;
    }
    // Hands the value over to the caller (into an out-parameter, say), leaving this variant empty.
    VARIANT release() noexcept {
        const VARIANT out = v_;
        VariantInit(&v_);
        return out;
    }

    VARTYPE vt() const noexcept { return v_.vt; }
    bool empty() const noexcept { return v_.vt == VT_EMPTY; }
    const VARIANT& get() const noexcept { return v_; }
    const VARIANT* ptr() const noexcept { return &v_; }
    // For an API that takes its input VARIANT through a non-const pointer and does not change it
    // (VariantCopy, VariantChangeType, a VT_BYREF argument's target).
    VARIANT* AsInput() const noexcept { return const_cast<VARIANT*>(&v_); }

    // Conversions through VariantChangeType (LCID 1033); each throws ComError when the value has
    // no such form.
    std::wstring ToString() const;
    int32_t ToInt32() const;
    bool ToBool() const;
    // The object inside a VT_DISPATCH or VT_UNKNOWN value (queried for IDispatch).
    Dispatch ToDispatch() const;

private:
    VARIANT v_;
};

// N VARIANTs in a row for a callee that fills several at once (IEnumVARIANT::Next). They start
// empty; Take moves one into an owner, and whatever is not taken is cleared at the end.
template <size_t N>
class VariantRow {
public:
    VariantRow() noexcept {
        for (VARIANT& v : v_) VariantInit(&v);
    }
    VariantRow(const VariantRow&) = delete;
    VariantRow& operator=(const VariantRow&) = delete;
    ~VariantRow() {
        for (VARIANT& v : v_) VariantClear(&v);
    }

    VARIANT* Receive() noexcept { return v_; }
    Variant Take(size_t i) noexcept {
        Variant owned;
        *owned.Receive() = v_[i];
        VariantInit(&v_[i]);
        return owned;
    }

private:
    VARIANT v_[N];
};

// Initialises COM for the calling thread (apartment-threaded) for the length of a scope.
class CoInitScope {
public:
    CoInitScope() noexcept : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    CoInitScope(const CoInitScope&) = delete;
    CoInitScope& operator=(const CoInitScope&) = delete;
    ~CoInitScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    HRESULT result() const noexcept { return hr_; }
    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

}  // namespace zelmo::win
