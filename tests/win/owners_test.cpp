// The move-only owners: what each frees, when, and which conversions they refuse.
#include <windows.h>

#include <gtest/gtest.h>

#include <type_traits>

#include "win/com.h"
#include "win/handles.h"

namespace zelmo::win {
namespace {

// A narrow string literal would otherwise become VT_BOOL through the pointer's conversion to bool.
static_assert(!std::is_constructible_v<Variant, const char*>);
// Values become VARIANTs only where a call says so.
static_assert(!std::is_convertible_v<bool, Variant>);
static_assert(!std::is_convertible_v<int32_t, Variant>);
static_assert(!std::is_convertible_v<const wchar_t*, Variant>);
static_assert(!std::is_convertible_v<std::wstring, Variant>);
static_assert(!std::is_convertible_v<IDispatch*, Variant>);
static_assert(std::is_constructible_v<Variant, bool>);
// A variant is read through ptr() and handed to a non-const API only through AsInput().
static_assert(std::is_same_v<decltype(std::declval<const Variant&>().ptr()), const VARIANT*>);
static_assert(std::is_same_v<decltype(std::declval<const Variant&>().AsInput()), VARIANT*>);
static_assert(!std::is_copy_constructible_v<Variant> && !std::is_copy_constructible_v<UniqueHandle>);

// An object that counts its references, to see every AddRef and Release of an owner.
class Counted : public IDispatch {
public:
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

TEST(VariantOwner, HoldsAReferenceOfItsOwnAndHandsItOver) {
    Counted object;
    {
        Variant held(static_cast<IDispatch*>(&object));
        EXPECT_EQ(object.refs, 2u);
        EXPECT_EQ(held.ptr(), held.AsInput());
        Variant moved = std::move(held);
        EXPECT_EQ(object.refs, 2u);
        VARIANT raw = moved.release();
        EXPECT_TRUE(moved.empty());
        EXPECT_EQ(raw.vt, VT_DISPATCH);
        Variant back;
        *back.Receive() = raw;  // the reference changes owner again
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantOwner, ARowForACalleeClearsWhatWasNotTaken) {
    Counted object;
    {
        VariantRow<3> row;
        for (int i = 0; i < 2; ++i) row.Receive()[i] = Variant(static_cast<IDispatch*>(&object)).release();
        EXPECT_EQ(object.refs, 3u);
        Variant first = row.Take(0);
        EXPECT_EQ(first.vt(), VT_DISPATCH);
        EXPECT_EQ(row.Receive()[0].vt, VT_EMPTY);
        EXPECT_EQ(object.refs, 3u);
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST(ComPtrOwner, PutReleasesWhatItHeldBeforeHandingOutTheAddress) {
    Counted a;
    Counted b;
    ComPtr<IDispatch> p = ComPtr<IDispatch>::Share(&a);
    EXPECT_EQ(a.refs, 2u);
    EXPECT_EQ(b.QueryInterface(IID_IDispatch, p.put_void()), S_OK);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 2u);
    p.reset();
    EXPECT_EQ(b.refs, 1u);
}

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

TEST(HandleOwner, ClosesOnceAndPutClosesTheOldHandleFirst) {
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE first = event.get();
    HANDLE* slot = event.put();
    EXPECT_FALSE(IsOpen(first));
    *slot = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(IsOpen(event.get()));
    const HANDLE second = event.get();
    UniqueHandle other = std::move(event);
    EXPECT_FALSE(event);
    other.reset();
    EXPECT_FALSE(IsOpen(second));
}

TEST(HandleOwner, CloseReportsWhetherTheSystemClosedTheHandle) {
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    EXPECT_TRUE(event.Close());
    EXPECT_FALSE(event);
    EXPECT_TRUE(event.Close()) << "nothing held, nothing to fail";

    // A value that is no handle of this process: the failure is reported, with its reason, and the
    // owner lets go of it all the same.
    UniqueHandle bogus(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7FF0)));
    SetLastError(0);
    EXPECT_FALSE(bogus.Close());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(bogus);
}

}  // namespace
}  // namespace zelmo::win
