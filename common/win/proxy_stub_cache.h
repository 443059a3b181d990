// Proxy/stub classes found once per apartment instead of once per marshaled pointer.
//
// Under Wine, COM looks in the registry every time it marshals or unmarshals an interface
// pointer: first for the interface's proxy/stub class, then for that class's in-process server.
// A call that returns a new object pays that on both sides, about a dozen registry requests to
// the wineserver each; asking for a dispinterface (a sheet's _Worksheet) costs more, as the
// marshaler also reads the interface's type library for every proxy and stub. Windows keeps these
// lookups in memory after the first, so there nothing is done.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <initializer_list>
#include <vector>

namespace zelmo::win {

class ProxyStubCache {
public:
    // Under Wine: looks up the proxy/stub class of each interface once and tells COM about it
    // (CoRegisterPSClsid), and registers each such class's factory for the calling apartment
    // (CoRegisterClassObject), where COM looks before the registry. For interfaces that their
    // type library declares dispinterfaces, the automation marshaler's factory is wrapped so that
    // it makes their IDispatch proxy and stub at once, as it would after its lookups. Other
    // apartments are not affected. An interface without a registered proxy/stub class is left to
    // COM as before. Elsewhere: nothing.
    explicit ProxyStubCache(std::initializer_list<IID> interfaces);
    // Revokes the factories; on the thread that made the cache, before it leaves the apartment.
    ~ProxyStubCache();
    ProxyStubCache(const ProxyStubCache&) = delete;
    ProxyStubCache& operator=(const ProxyStubCache&) = delete;

    // How many factories are registered (0 outside Wine); for tests.
    std::size_t registered() const noexcept { return cookies_.size(); }

private:
    std::vector<DWORD> cookies_;
};

}  // namespace zelmo::win
