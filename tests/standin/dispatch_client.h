// A small late-bound automation client for the server tests: calls by member name through
// IDispatch, positional and named arguments, and the full outcome of every call (HRESULT, EXCEPINFO
// code, source and description, result).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>
#include <vector>

namespace zelmo::standin_test {

// A VARIANT owned by value (move-only).
class Var {
public:
    Var() { VariantInit(&v_); }
    Var(Var&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Var& operator=(Var&& other) noexcept;
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(&v_); }

    static Var Str(const std::wstring& text);
    static Var I2(short value);
    static Var I4(long value);
    static Var Bool(bool value);
    static Var Omitted();                      // VT_ERROR with DISP_E_PARAMNOTFOUND
    static Var Object(IDispatch* object);      // AddRefs
    static Var RefTo(VARIANT* target);         // VT_BYREF|VT_VARIANT pointing at `target`

    VARIANT* get() { return &v_; }
    const VARIANT& value() const { return v_; }
    std::wstring AsString() const;
    long AsLong() const;
    bool AsBool() const;

private:
    VARIANT v_;
};

struct Outcome {
    HRESULT hr = E_FAIL;
    HRESULT scode = S_OK;
    std::wstring source;
    std::wstring description;
    Var result;
    bool ok() const { return SUCCEEDED(hr); }
};

using Named = std::vector<std::pair<std::wstring, Var>>;

// An owned IDispatch reference.
class Disp {
public:
    Disp() = default;
    explicit Disp(IDispatch* owned) : p_(owned) {}
    Disp(Disp&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Disp& operator=(Disp&& other) noexcept;
    Disp(const Disp&) = delete;
    Disp& operator=(const Disp&) = delete;
    ~Disp() { Reset(); }

    // Creates a new instance of Excel.Application (out of process).
    static Disp CreateExcel(HRESULT* hr = nullptr);

    IDispatch* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset();

    Outcome Invoke(const std::wstring& member, WORD flags, std::vector<Var> positional = {}, Named named = {},
                   LCID lcid = 1033) const;
    // By member number, positional arguments only (e.g. DISPID_VALUE, the default member).
    Outcome InvokeId(DISPID id, WORD flags, std::vector<Var> positional = {}, LCID lcid = 1033) const;
    // Property get / method call that must succeed and return an object (test fails otherwise).
    Disp GetObj(const std::wstring& member, std::vector<Var> positional = {}) const;
    Disp CallObj(const std::wstring& member, std::vector<Var> positional = {}, Named named = {}) const;
    std::wstring GetString(const std::wstring& member) const;
    long GetLong(const std::wstring& member) const;
    Outcome Call(const std::wstring& member, std::vector<Var> positional = {}, Named named = {}) const {
        return Invoke(member, DISPATCH_METHOD, std::move(positional), std::move(named));
    }
    Outcome Put(const std::wstring& member, Var value) const;
    // QueryInterface for `iid` succeeds.
    bool Answers(const IID& iid) const;

private:
    Outcome Send(const std::vector<DISPID>& ids, WORD flags, std::vector<Var> positional, Named named, LCID lcid) const;
    IDispatch* p_ = nullptr;
};

std::wstring Hex(HRESULT value);

}  // namespace zelmo::standin_test
