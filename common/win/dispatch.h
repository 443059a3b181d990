// The program's one client for late-bound automation objects (IDispatch): members are called by
// name, arguments travel as VARIANTs, and every failure becomes a ComError that keeps the HRESULT,
// the member's name and the server's own source and description.
//
// Usage:
//   Dispatch fso = Dispatch::Create(L"Scripting.FileSystemObject");
//   Dispatch folder = fso.Call(L"GetFolder", L"C:\\data").ToDispatch();
//   for (Dispatch::Enumerator e = folder.Get(L"Files").ToDispatch().Enumerate(); ;) {
//       std::optional<Variant> item = e.Next();
//       if (!item) break;
//       std::wstring name = item->ToDispatch().Get(L"Name").ToString();
//   }
//   sheet.Call(L"Copy", Named{L"After", last});             // named argument
//   wb.Call(L"SaveAs", path, Variant::Missing(), 1);          // omitted optional argument
//   sheets.GetDefault(int32_t{2});                             // the default member (Item)
//
// Conventions:
// - Every call passes LCID 1033, so that servers parse and format numbers and dates the same way
//   on every system locale.
// - Positional arguments are given in their declared order; the client reverses them for Invoke.
//   Named arguments may follow them (Named{name, value}); their DISPIDs are looked up together
//   with the member's. An omitted optional argument is Variant::Missing() (VT_ERROR with
//   DISP_E_PARAMNOTFOUND).
// - Call invokes as a method (DISPATCH_METHOD | DISPATCH_PROPERTYGET, as late-bound Basic does, so
//   a call that names a property with arguments also works); Get reads a property; Put assigns one.
// - DISPIDs are looked up by name on every call unless the caller looks one up once with IdOf and
//   calls the DISPID overloads (worthwhile in loops over many objects of one type).
// - A server's DISP_E_EXCEPTION is unpacked: the deferred fill-in is run when the server asks for
//   it, the error code is the exception's scode (or wCode), and its BSTRs are freed.
// - A lookup, call or enumeration step that a busy server refuses (RPC_E_SERVERCALL_RETRYLATER,
//   RPC_E_CALL_REJECTED) is made again after a short pause, for up to 60 s (busy_server.h); past
//   that the refusal is the ComError.
// - Not thread-safe: an object is called from the apartment that made it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win/com.h"
#include "win/com_error.h"

namespace zelmo::win {

// A named argument of a call; the value becomes a VARIANT as a positional argument does.
struct Named {
    template <class T>
    Named(std::wstring argumentName, T&& argumentValue)
        : name(std::move(argumentName)), value(std::forward<T>(argumentValue)) {}

    std::wstring name;
    Variant value;
};

class Dispatch {
public:
    Dispatch() noexcept = default;
    explicit Dispatch(ComPtr<IDispatch> object) noexcept : object_(std::move(object)) {}

    // The class of a programmatic identifier (matched without regard to case) or of a CLSID in
    // braces, as Create finds it.
    static HRESULT ClassOf(std::wstring_view progId, CLSID& clsid);
    // Creates an object from its programmatic identifier or its CLSID in braces (see ClassOf).
    // Throws ComError naming the identifier when it cannot be created.
    static Dispatch Create(std::wstring_view progId, DWORD context = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER);

    IDispatch* get() const noexcept { return object_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(object_); }
    Dispatch Clone() const noexcept { return Dispatch(object_.Clone()); }
    void reset() noexcept { object_.reset(); }

    // The DISPID of a member. Throws ComError when the object has no such member.
    DISPID IdOf(std::wstring_view member) const;

    template <class... Args>
    Variant Call(std::wstring_view member, Args&&... args) const {
        return InvokeNamed(DISPATCH_METHOD | DISPATCH_PROPERTYGET, member, Pack(std::forward<Args>(args)...));
    }
    template <class... Args>
    Variant Get(std::wstring_view member, Args&&... args) const {
        return InvokeNamed(DISPATCH_PROPERTYGET, member, Pack(std::forward<Args>(args)...));
    }
    // Assigns a property (DISPATCH_PROPERTYPUT); index arguments, if any, come before the value.
    template <class Value, class... Args>
    void Put(std::wstring_view member, Value&& value, Args&&... index) const {
        ArgList list = Pack(std::forward<Args>(index)...);
        list.propertyValue = Variant(std::forward<Value>(value));
        list.hasPropertyValue = true;
        InvokeNamed(DISPATCH_PROPERTYPUT, member, std::move(list));
    }
    // The default member (DISPID_VALUE), e.g. a collection's Item.
    template <class... Args>
    Variant GetDefault(Args&&... args) const {
        return InvokeId(DISPATCH_METHOD | DISPATCH_PROPERTYGET, DISPID_VALUE, L"(default member)",
                        Pack(std::forward<Args>(args)...));
    }
    // The same calls by a DISPID looked up before (IdOf); `member` names it in errors.
    template <class... Args>
    Variant CallId(DISPID id, std::wstring_view member, Args&&... args) const {
        return InvokeId(DISPATCH_METHOD | DISPATCH_PROPERTYGET, id, member, Pack(std::forward<Args>(args)...));
    }
    template <class... Args>
    Variant GetId(DISPID id, std::wstring_view member, Args&&... args) const {
        return InvokeId(DISPATCH_PROPERTYGET, id, member, Pack(std::forward<Args>(args)...));
    }

    // Walks a collection through its _NewEnum member and IEnumVARIANT.
    class Enumerator {
    public:
        Enumerator() = default;
        explicit Enumerator(ComPtr<IEnumVARIANT> e) noexcept : e_(std::move(e)) {}
        // The next element, or nothing after the last. Throws ComError when the enumeration fails.
        std::optional<Variant> Next();
        // Hands over the enumerator's interface, leaving this one empty.
        ComPtr<IEnumVARIANT> Detach() noexcept { return std::move(e_); }

    private:
        ComPtr<IEnumVARIANT> e_;
        std::deque<Variant> buffered_;
        bool done_ = false;
    };
    Enumerator Enumerate() const;

    // Positional and named arguments of one call, in declared order.
    struct ArgList {
        std::vector<Variant> positional;
        std::vector<Named> named;
        Variant propertyValue;
        bool hasPropertyValue = false;
    };

    // The general form behind the members above.
    Variant InvokeNamed(WORD flags, std::wstring_view member, ArgList args) const;
    Variant InvokeId(WORD flags, DISPID id, std::wstring_view member, ArgList args) const;

private:
    static void Add(ArgList& list, Named&& named) { list.named.push_back(std::move(named)); }
    static void Add(ArgList& list, Variant&& value) { list.positional.push_back(std::move(value)); }
    template <class T>
    static void Add(ArgList& list, T&& value) {
        list.positional.emplace_back(std::forward<T>(value));
    }
    template <class... Args>
    static ArgList Pack(Args&&... args) {
        ArgList list;
        (Add(list, std::forward<Args>(args)), ...);
        return list;
    }
    Variant Invoke(WORD flags, DISPID id, const std::vector<DISPID>& namedIds, std::wstring_view member,
                   ArgList& args) const;
    void Require(std::wstring_view member) const;

    ComPtr<IDispatch> object_;
};

}  // namespace zelmo::win
