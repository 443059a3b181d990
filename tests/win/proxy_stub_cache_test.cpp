// The proxy/stub classes registered for an apartment: pointers marshaled into it still work while
// the cache is there and after it is gone, and a second cache in the same apartment is harmless.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "win/com.h"
#include "win/dispatch.h"
#include "win/handles.h"
#include "win/local_server.h"
#include "win/proxy_stub_cache.h"

namespace zelmo::win {
namespace {

// An automation object living in the free-threaded apartment of a thread of its own, reached
// from the test's apartment through a proxy: every call and every object it returns is marshaled.
class RemoteObject {
public:
    explicit RemoteObject(const wchar_t* progIdOrClsid = L"Scripting.FileSystemObject") {
        ready_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        done_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        thread_ = std::thread([this, progIdOrClsid] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                Dispatch object = Dispatch::Create(progIdOrClsid);
                CoMarshalInterThreadInterfaceInStream(IID_IDispatch, object.get(), &stream_);
            }
            SetEvent(ready_.get());
            WaitForSingleObject(done_.get(), INFINITE);
            CoUninitialize();
        });
        WaitForSingleObject(ready_.get(), INFINITE);
    }
    ~RemoteObject() {
        SetEvent(done_.get());
        thread_.join();
    }
    // The proxy, unmarshaled in the calling apartment (once).
    Dispatch Proxy() {
        ComPtr<IDispatch> proxy;
        EXPECT_HRESULT_SUCCEEDED(CoGetInterfaceAndReleaseStream(stream_, IID_IDispatch, proxy.put_void()));
        stream_ = nullptr;
        return Dispatch(std::move(proxy));
    }

private:
    UniqueHandle ready_;
    UniqueHandle done_;
    IStream* stream_ = nullptr;
    std::thread thread_;
};

// Calls that return strings, objects and an enumerator through the proxy.
void CallThrough(const Dispatch& fso) {
    EXPECT_EQ(fso.Call(L"BuildPath", L"C:\\a", L"b.xlsx").ToString(), L"C:\\a\\b.xlsx");
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    Dispatch folder = fso.Call(L"GetFolder", std::wstring(windows)).ToDispatch();
    Dispatch subfolders = folder.Get(L"SubFolders").ToDispatch();
    int seen = 0;
    Dispatch::Enumerator e = subfolders.Enumerate();
    while (std::optional<Variant> item = e.Next()) {
        EXPECT_FALSE(item->ToDispatch().Get(L"Name").ToString().empty());
        ++seen;
    }
    EXPECT_EQ(seen, subfolders.Get(L"Count").ToInt32());
    EXPECT_GT(seen, 0);
}

TEST(ProxyStubCache, MarshaledPointersWorkWithTheCacheAndAfterIt) {
    CoInitScope com;
    RemoteObject remote;
    Dispatch fso = remote.Proxy();
    const IID unregistered = {0x5A0C1E78, 0x1D2B, 0x4C9A, {0x8E, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
    {
        const ProxyStubCache cache({IID_IUnknown, IID_IDispatch, IID_IEnumVARIANT, unregistered});
        // Under Wine (where the tests run) the factories are registered: one per class, none for
        // an interface without one.
        if (RunningUnderWine()) {
            EXPECT_GE(cache.registered(), 1u);
        }
        CLSID clsid{};
        EXPECT_HRESULT_SUCCEEDED(CoGetPSClsid(IID_IDispatch, &clsid));
        CallThrough(fso);
        {
            // A second cache in the same apartment finds the classes registered already.
            const ProxyStubCache again({IID_IDispatch});
            EXPECT_EQ(again.registered(), 0u);
            CallThrough(fso);
        }
        CallThrough(fso);
    }
    // Revoked: COM finds the classes in the registry again.
    CallThrough(fso);
}

// The font object's Font dispinterface, which the system's type library declares as one.
constexpr wchar_t kStdFont[] = L"{0BE35203-8F91-11CE-9DE3-00AA004BB851}";
constexpr IID kIidFontDisp = {0xBEF6E003, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

// Asks a proxy for the Font dispinterface and sets and reads its size through it.
void UseFontDisp(const Dispatch& font) {
    ComPtr<IDispatch> fontDisp;
    ASSERT_HRESULT_SUCCEEDED(font.get()->QueryInterface(kIidFontDisp, fontDisp.put_void()));
    const Dispatch disp(std::move(fontDisp));
    disp.Put(L"Bold", true);
    EXPECT_TRUE(disp.Get(L"Bold").ToBool());
    EXPECT_FALSE(disp.Get(L"Name").ToString().empty());
}

TEST(ProxyStubCache, ADispinterfaceWorksWithTheCacheInEitherApartmentAndAfterIt) {
    CoInitScope com;
    CLSID registered{};
    ASSERT_HRESULT_SUCCEEDED(CoGetPSClsid(kIidFontDisp, &registered));
    {
        // The font lives in the other apartment, which has no cache: its stub is made as ever.
        RemoteObject remote(kStdFont);
        const Dispatch font = remote.Proxy();
        const ProxyStubCache cache({IID_IDispatch, kIidFontDisp});
        CLSID during{};
        EXPECT_HRESULT_SUCCEEDED(CoGetPSClsid(kIidFontDisp, &during));
        EXPECT_TRUE(IsEqualCLSID(during, registered));
        UseFontDisp(font);
    }
    RemoteObject again(kStdFont);
    UseFontDisp(again.Proxy());
}

}  // namespace
}  // namespace zelmo::win
