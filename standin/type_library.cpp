#include "type_library.h"

#include <oaidl.h>
#include <oleauto.h>

#include "ids.h"
#include "win/com.h"

namespace zelmo::standin {
namespace {

// stdole2.tlb, which holds IDispatch's own type description.
constexpr GUID kLibIdStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const PublicInterface kInterfaces[] = {
    {&kIidApplication, L"_Application"}, {&kIidWorkbooks, L"Workbooks"}, {&kIidWorkbook, L"_Workbook"},
    {&kIidSheets, L"Sheets"},            {&kIidWorksheet, L"_Worksheet"}, {&kIidChart, L"_Chart"},
};

}  // namespace

const PublicInterface* PublicInterfaces(size_t* count) {
    *count = sizeof(kInterfaces) / sizeof(kInterfaces[0]);
    return kInterfaces;
}

HRESULT WriteTypeLibrary(const std::wstring& path) {
    win::ComPtr<ITypeLib> stdole;
    HRESULT hr = LoadRegTypeLib(kLibIdStdOle, 2, 0, 0, stdole.put());
    if (FAILED(hr)) return hr;
    win::ComPtr<ITypeInfo> dispatchInfo;
    hr = stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatchInfo.put());
    if (FAILED(hr)) return hr;

    win::ComPtr<ICreateTypeLib2> lib;
    hr = CreateTypeLib2(SYS_WIN64, path.c_str(), lib.put());
    if (FAILED(hr)) return hr;
    lib->SetGuid(kLibId);
    lib->SetName(const_cast<LPOLESTR>(L"ZelmoSheetServer"));
    lib->SetVersion(1, 0);
    lib->SetLcid(0);
    lib->SetDocString(const_cast<LPOLESTR>(L"ZelmoSheetServer automation interfaces"));
    for (const PublicInterface& entry : kInterfaces) {
        win::ComPtr<ICreateTypeInfo> info;
        hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(entry.name), TKIND_DISPATCH, info.put());
        if (FAILED(hr)) return hr;
        info->SetGuid(*entry.iid);
        HREFTYPE dispatchRef = 0;
        hr = info->AddRefTypeInfo(dispatchInfo.get(), &dispatchRef);
        if (SUCCEEDED(hr)) hr = info->AddImplType(0, dispatchRef);
        if (SUCCEEDED(hr)) hr = info->LayOut();
        if (FAILED(hr)) return hr;
    }
    return lib->SaveAllChanges();
}

}  // namespace zelmo::standin
