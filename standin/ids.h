// Identifiers of the automation classes and interfaces that the server answers for, and the
// member numbers (DISPIDs) of its object model.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace zelmo::standin {

// The class that clients create by the programmatic identifier "Excel.Application": the test
// bed's registration only (--register-testbed), never on a user's machine.
inline constexpr CLSID kClsidApplication = {0x00024500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr wchar_t kProgId[] = L"Excel.Application";
inline constexpr wchar_t kClsidText[] = L"{00024500-0000-0000-C000-000000000046}";

// The server's own class, under which the program uses it where Excel is not installed (the
// program registers it per user; see src/ops/bundled_server.h, which holds the same values).
// Nothing but IDispatch is used over it, so no interface of Excel's is registered for it.
inline constexpr CLSID kClsidBundled = {0xD5860A70, 0x935A, 0x46FB, {0x8D, 0xE4, 0x34, 0xE4, 0x0A, 0xD0, 0x1B, 0x27}};
inline constexpr wchar_t kBundledProgId[] = L"ExcelZelmo.SheetServer";
inline constexpr wchar_t kBundledClsidText[] = L"{D5860A70-935A-46FB-8DE4-34E40AD01B27}";

// The public dispinterfaces (one per object kind). Each object answers QueryInterface for its own.
inline constexpr IID kIidApplication = {0x000208D5, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidWorkbooks = {0x000208DB, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidWorkbook = {0x000208DA, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidSheets = {0x000208D7, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidWorksheet = {0x000208D8, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidChart = {0x000208D6, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Private: answered only by the server's own objects, in process. A sheet passed back as Before or
// After is recognised by it (a proxy of another process does not answer it).
inline constexpr IID kIidStandinObject = {0x6d3c1f0e, 0x5a2b, 0x4c7e, {0x9b, 0x41, 0x27, 0x8e, 0x0d, 0x6a, 0x13, 0xc5}};

// The server's own type library of the dispinterfaces above, which Wine's marshaler needs.
inline constexpr GUID kLibId = {0x2f7a9c44, 0x1b3e, 0x4d52, {0x8a, 0x60, 0x5e, 0x91, 0xc2, 0x07, 0xb4, 0x3d}};

// Excel's error code for a failed method, carried in EXCEPINFO.scode.
inline constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

// The name the server gives itself: error source, message box caption, registry descriptions.
inline constexpr wchar_t kServerName[] = L"ZelmoSheetServer";

// Member numbers. Shared numbers mean the same member wherever they appear.
enum Dispid : DISPID {
    kDispWorkbooks = 1,
    kDispQuit,
    kDispVisible,
    kDispDisplayAlerts,
    kDispOpen,
    kDispAdd,
    kDispCount,
    kDispItem,
    kDispSheets,
    kDispWorksheets,
    kDispSaveAs,
    kDispName,
    kDispFullName,
    kDispClose,
    kDispIndex,
    kDispCopy,
    kDispApplication,
    kDispParent,
    kDispPath,
    kDispSaved,
};

}  // namespace zelmo::standin
