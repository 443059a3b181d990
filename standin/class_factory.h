// The class object registered for Excel.Application: each CreateInstance is a new application
// instance of its own (its own workbooks, Book numbering and settings).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <unknwn.h>

namespace zelmo::standin {

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    // The class object lives as long as the process; its references do not keep the server alive.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

}  // namespace zelmo::standin
