#include "class_factory.h"

#include "journal.h"
#include "lifetime.h"
#include "objects.h"
#include "server_lock.h"
#include "win/com.h"

namespace zelmo::standin {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    const ServerGuard guard(ServerLock());
    const win::ComPtr<ApplicationObject> application(new ApplicationObject());
    Journal::Get().Write(L"server created " + application->Label());
    return application->QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    const ServerGuard guard(ServerLock());
    Lifetime::Get().Lock(lock != FALSE);
    return S_OK;
}

}  // namespace zelmo::standin
