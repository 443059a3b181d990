// Move-only owners for the Win32 handles the program holds: kernel handles, GDI objects, registry
// keys, memory from the COM task allocator (shell item lists) and from LocalAlloc, window device
// contexts, and the scope of one SelectObject. Each owner frees its handle exactly once; put()
// frees the old handle before it hands out the address to be filled, so a handle is never leaked
// by re-filling an owner.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace zelmo::win {

// One owner template for every kind of handle; Traits names the type, the empty value, what counts
// as a live handle and how it is freed (close() says whether the system freed it).
template <class Traits>
class Unique {
public:
    using type = typename Traits::type;

    Unique() noexcept = default;
    explicit Unique(type value) noexcept : value_(value) {}
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Traits::valid(value_); }
    // Gives up ownership without freeing.
    type release() noexcept { return std::exchange(value_, Traits::empty()); }
    void reset(type value = Traits::empty()) noexcept {
        type old = std::exchange(value_, value);
        if (Traits::valid(old)) Traits::close(old);
    }
    // Frees the handle now, for a caller to whom a failure to free it matters (a file whose last
    // writes the close may still fail): false when the system refused, GetLastError() says why.
    // The owner is empty afterwards either way; true when it held nothing.
    bool Close() noexcept {
        const type old = release();
        return !Traits::valid(old) || Traits::close(old);
    }
    // Frees the current handle, then returns the address for an API to fill.
    type* put() noexcept {
        reset();
        return &value_;
    }

private:
    type value_ = Traits::empty();
};

struct KernelHandleTraits {
    using type = HANDLE;
    static type empty() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool close(type h) noexcept { return CloseHandle(h) != FALSE; }
};
using UniqueHandle = Unique<KernelHandleTraits>;

template <class T>
struct GdiTraits {
    using type = T;
    static type empty() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return DeleteObject(h) != FALSE; }
};
using UniqueFont = Unique<GdiTraits<HFONT>>;
using UniqueBrush = Unique<GdiTraits<HBRUSH>>;
using UniqueGdiObject = Unique<GdiTraits<HGDIOBJ>>;

struct IconTraits {
    using type = HICON;
    static type empty() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return DestroyIcon(h) != FALSE; }
};
using UniqueIcon = Unique<IconTraits>;

struct RegKeyTraits {
    using type = HKEY;
    static type empty() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return RegCloseKey(h) == ERROR_SUCCESS; }
};
using UniqueRegKey = Unique<RegKeyTraits>;

// Memory the callee allocated with the COM task allocator, e.g. the item identifier list that the
// shell's folder dialog returns.
template <class T>
struct TaskMemTraits {
    using type = T*;
    static type empty() noexcept { return nullptr; }
    static bool valid(type p) noexcept { return p != nullptr; }
    static bool close(type p) noexcept {
        CoTaskMemFree(const_cast<void*>(static_cast<const void*>(p)));
        return true;
    }
};
template <class T>
using TaskMem = Unique<TaskMemTraits<T>>;

// Memory the system allocated with LocalAlloc for the caller, e.g. the argument list that
// CommandLineToArgvW returns.
template <class T>
struct LocalMemTraits {
    using type = T*;
    static type empty() noexcept { return nullptr; }
    static bool valid(type p) noexcept { return p != nullptr; }
    static bool close(type p) noexcept { return LocalFree(const_cast<void*>(static_cast<const void*>(p))) == nullptr; }
};
template <class T>
using LocalMem = Unique<LocalMemTraits<T>>;

// The device context of a window's client area (GetDC / ReleaseDC).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a device context for the length of a scope and puts the old one back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() {
        if (old_ != nullptr) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace zelmo::win
