// Times single automation calls against whichever server is registered as Excel.Application, set
// up as the program's adapter sets up its client (the worksheet type library held, the proxy/stub
// classes cached): a plain property get, an item get that returns a new object, the query for the
// worksheet interface, and the release of such a sheet. Prints milliseconds per call.
//   call_bench [N]
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "win/com.h"
#include "win/dispatch.h"
#include "win/local_server.h"
#include "win/proxy_stub_cache.h"
#include "win/type_library.h"

using zelmo::win::Dispatch;

namespace {

constexpr IID kIidWorksheet = {0x000208D8, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int n = argc > 1 ? _wtoi(argv[1]) : 300;
    if (n <= 0) return 2;
    zelmo::win::CoInitScope com;
    const zelmo::win::ProxyStubCache cache({IID_IUnknown, IID_IDispatch, IID_IEnumVARIANT, kIidWorksheet});
    const auto types = zelmo::win::LoadTypeLibraryOf(kIidWorksheet);
    CLSID clsid{};
    if (SUCCEEDED(Dispatch::ClassOf(L"Excel.Application", clsid))) {
        zelmo::win::StartLocalServerAhead(clsid, L"ZelmoSheetServer.exe");
    }
    Dispatch app = Dispatch::Create(L"Excel.Application", CLSCTX_LOCAL_SERVER);
    Dispatch sheets = app.Get(L"Workbooks").ToDispatch().Call(L"Add").ToDispatch().Get(L"Sheets").ToDispatch();
    const DISPID count = sheets.IdOf(L"Count");
    Clock::duration get{}, item{}, query{}, release{};
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        sheets.GetId(count, L"Count");
        const auto t1 = Clock::now();
        Dispatch sheet = sheets.GetDefault(1).ToDispatch();
        const auto t2 = Clock::now();
        zelmo::win::ComPtr<IDispatch> worksheet;
        sheet.get()->QueryInterface(kIidWorksheet, worksheet.put_void());
        const auto t3 = Clock::now();
        worksheet.reset();
        sheet.reset();  // the proxy goes: one release to the server per interface it had
        const auto t4 = Clock::now();
        get += t1 - t0;
        item += t2 - t1;
        query += t3 - t2;
        release += t4 - t3;
    }
    std::printf("Sheets.Count            %.3f ms\n", Ms(get) / n);
    std::printf("Sheets(1), a new object %.3f ms\n", Ms(item) / n);
    std::printf("query for _Worksheet    %.3f ms\n", Ms(query) / n);
    std::printf("release of that sheet   %.3f ms\n", Ms(release) / n);
    app.Call(L"Quit");
    return 0;
}
