#include "type_library.h"

#include <oaidl.h>
#include <oleauto.h>

#include "ids.h"

namespace zelmo::standin {
namespace {

// stdole2.tlb, which holds IDispatch's own type description.
constexpr GUID kLibIdStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const PublicInterface kInterfaces[] = {
    {&kIidApplication, L"_Application"}, {&kIidWorkbooks, L"Workbooks"}, {&kIidWorkbook, L"_Workbook"},
    {&kIidSheets, L"Sheets"},            {&kIidWorksheet, L"_Worksheet"}, {&kIidChart, L"_Chart"},
};

template <typename T>
struct Releaser {
    T* p = nullptr;
    Releaser() = default;
    Releaser(const Releaser&) = delete;
    Releaser& operator=(const Releaser&) = delete;
    ~Releaser() {
        if (p != nullptr) p->Release();
    }
};

}  // namespace

const PublicInterface* PublicInterfaces(size_t* count) {
    *count = sizeof(kInterfaces) / sizeof(kInterfaces[0]);
    return kInterfaces;
}

HRESULT WriteTypeLibrary(const std::wstring& path) {
    Releaser<ITypeLib> stdole;
    HRESULT hr = LoadRegTypeLib(kLibIdStdOle, 2, 0, 0, &stdole.p);
    if (FAILED(hr)) return hr;
    Releaser<ITypeInfo> dispatchInfo;
    hr = stdole.p->GetTypeInfoOfGuid(IID_IDispatch, &dispatchInfo.p);
    if (FAILED(hr)) return hr;

    Releaser<ICreateTypeLib2> lib;
    hr = CreateTypeLib2(SYS_WIN64, path.c_str(), &lib.p);
    if (FAILED(hr)) return hr;
    lib.p->SetGuid(kLibId);
    lib.p->SetName(const_cast<LPOLESTR>(L"ZelmoSheetServer"));
    lib.p->SetVersion(1, 0);
    lib.p->SetLcid(0);
    lib.p->SetDocString(const_cast<LPOLESTR>(L"ZelmoSheetServer automation interfaces"));
    for (const PublicInterface& entry : kInterfaces) {
        Releaser<ICreateTypeInfo> info;
        hr = lib.p->CreateTypeInfo(const_cast<LPOLESTR>(entry.name), TKIND_DISPATCH, &info.p);
        if (FAILED(hr)) return hr;
        info.p->SetGuid(*entry.iid);
        HREFTYPE dispatchRef = 0;
        hr = info.p->AddRefTypeInfo(dispatchInfo.p, &dispatchRef);
        if (SUCCEEDED(hr)) hr = info.p->AddImplType(0, dispatchRef);
        if (SUCCEEDED(hr)) hr = info.p->LayOut();
        if (FAILED(hr)) return hr;
    }
    return lib.p->SaveAllChanges();
}

}  // namespace zelmo::standin
