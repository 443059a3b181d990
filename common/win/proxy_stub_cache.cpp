#include "win/proxy_stub_cache.h"

#include <oaidl.h>

#include <algorithm>
#include <atomic>

#include "win/com.h"
#include "win/local_server.h"
#include "win/type_library.h"

namespace zelmo::win {
namespace {

// The automation marshalers' proxy/stub classes: PSDispatch and PSOAInterface.
constexpr CLSID kPsDispatch = {0x00020420, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr CLSID kPsOaInterface = {0x00020424, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

bool IsAutomationMarshaler(const CLSID& clsid) {
    return IsEqualCLSID(clsid, kPsDispatch) || IsEqualCLSID(clsid, kPsOaInterface);
}

// True when the type library registered for `iid` describes it as a dispinterface only (not a
// dual interface): its pointers are IDispatch pointers.
bool IsDispinterface(const IID& iid) {
    const ComPtr<ITypeLib> library = LoadTypeLibraryOf(iid);
    ComPtr<ITypeInfo> info;
    if (!library || FAILED(library->GetTypeInfoOfGuid(iid, info.put()))) return false;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)) || attr == nullptr) return false;
    const bool dispinterface = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL) == 0;
    info->ReleaseTypeAttr(attr);
    return dispinterface;
}

// The automation marshaler's factory for this apartment, with a shortcut for dispinterfaces. The
// marshaler carries a dispinterface as an IDispatch, but first reads the interface's type library
// (through the registry) for every proxy and every stub it makes, to find out that it is one.
// For the interfaces found to be dispinterfaces beforehand, this factory makes the IDispatch
// proxy and stub straight away; every other interface goes to the marshaler as before.
class AutomationFactory final : public IPSFactoryBuffer {
public:
    AutomationFactory(ComPtr<IPSFactoryBuffer> marshaler, std::vector<IID> dispinterfaces)
        : marshaler_(std::move(marshaler)), dispinterfaces_(std::move(dispinterfaces)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPSFactoryBuffer)) {
            *object = static_cast<IPSFactoryBuffer*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateProxy(IUnknown* outer, REFIID riid, IRpcProxyBuffer** proxy, void** object) override {
        return marshaler_->CreateProxy(outer, Carried(riid), proxy, object);
    }
    HRESULT STDMETHODCALLTYPE CreateStub(REFIID riid, IUnknown* server, IRpcStubBuffer** stub) override {
        return marshaler_->CreateStub(Carried(riid), server, stub);
    }

private:
    ~AutomationFactory() = default;
    // The interface the marshaler is asked for: IDispatch for a known dispinterface.
    const IID& Carried(REFIID riid) const {
        for (const IID& d : dispinterfaces_)
            if (IsEqualIID(d, riid)) return IID_IDispatch;
        return riid;
    }
    ComPtr<IPSFactoryBuffer> marshaler_;
    std::vector<IID> dispinterfaces_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

ProxyStubCache::ProxyStubCache(std::initializer_list<IID> interfaces) {
    if (!RunningUnderWine()) return;
    // The proxy/stub class of each interface, told to COM (the same class the registry names), and
    // the dispinterfaces among those the automation marshaler carries.
    std::vector<CLSID> classes;
    std::vector<IID> dispinterfaces;
    for (const IID& iid : interfaces) {
        CLSID clsid{};
        if (FAILED(CoGetPSClsid(iid, &clsid))) continue;
        CoRegisterPSClsid(iid, clsid);
        if (IsAutomationMarshaler(clsid) && IsDispinterface(iid)) dispinterfaces.push_back(iid);
        if (std::find_if(classes.begin(), classes.end(), [&](const CLSID& c) { return IsEqualCLSID(c, clsid); }) ==
            classes.end()) {
            classes.push_back(clsid);
        }
    }
    // Each class's factory registered for this apartment, where COM looks before the registry;
    // the automation marshaler's wrapped for the dispinterfaces.
    for (const CLSID& clsid : classes) {
        ComPtr<IPSFactoryBuffer> factory;
        if (FAILED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IPSFactoryBuffer, factory.put_void()))) {
            continue;
        }
        if (IsAutomationMarshaler(clsid) && !dispinterfaces.empty()) {
            factory = ComPtr<IPSFactoryBuffer>(new AutomationFactory(std::move(factory), dispinterfaces));
        }
        DWORD cookie = 0;
        if (SUCCEEDED(CoRegisterClassObject(clsid, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)) &&
            cookie != 0) {
            cookies_.push_back(cookie);
        }
    }
}

ProxyStubCache::~ProxyStubCache() {
    for (DWORD cookie : cookies_) CoRevokeClassObject(cookie);
}

}  // namespace zelmo::win
