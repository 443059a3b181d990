#include "class_factory.h"

#include "journal.h"
#include "lifetime.h"
#include "objects.h"

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
    auto* application = new ApplicationObject();
    Journal::Get().Write(L"server created " + application->Label());
    const HRESULT hr = application->QueryInterface(iid, out);
    application->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    Lifetime::Get().Lock(lock != FALSE);
    return S_OK;
}

}  // namespace zelmo::standin
