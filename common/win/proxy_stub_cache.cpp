#include "win/proxy_stub_cache.h"

#include <algorithm>

#include "win/com.h"
#include "win/local_server.h"

namespace zelmo::win {

ProxyStubCache::ProxyStubCache(std::initializer_list<IID> interfaces) {
    if (!RunningUnderWine()) return;
    std::vector<CLSID> classes;
    for (const IID& iid : interfaces) {
        CLSID clsid{};
        if (FAILED(CoGetPSClsid(iid, &clsid))) continue;
        CoRegisterPSClsid(iid, clsid);
        if (std::find(classes.begin(), classes.end(), clsid) != classes.end()) continue;
        classes.push_back(clsid);
        ComPtr<IUnknown> factory;
        if (FAILED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IPSFactoryBuffer, factory.put_void()))) {
            continue;
        }
        DWORD cookie = 0;
        // The apartment's own registration is where COM looks first for an in-process class.
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
