// Benchmark (not a test): lists a folder of 10,000 workbook files into the real main window's
// list, the way "ファイル読込" does after the folder dialog, and times it next to the bare
// enumeration of the same folder through the same file-system service (every file's Name read).
// Prints both medians of several rounds and their ratio.
//   listing_bench [file count]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "files/book_listing.h"
#include "scratch_folder.h"
#include "ui/program.h"
#include "ui_driver.h"
#include "win/dispatch.h"

namespace {

using Clock = std::chrono::steady_clock;
using zelmo::win::Dispatch;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Enumerates the folder and reads every file's Name: the least any listing must do.
size_t BareEnumeration(const std::wstring& folder) {
    Dispatch fso = Dispatch::Create(zelmo::files::kFileSystemProgId);
    Dispatch::Enumerator files = fso.Call(L"GetFolder", folder).ToDispatch().Get(L"Files").ToDispatch().Enumerate();
    size_t n = 0;
    DISPID nameId = DISPID_UNKNOWN;
    while (std::optional<zelmo::win::Variant> item = files.Next()) {
        Dispatch file = item->ToDispatch();
        if (nameId == DISPID_UNKNOWN) nameId = file.IdOf(L"Name");
        n += file.GetId(nameId, L"Name").ToString().empty() ? 0 : 1;
    }
    return n;
}

// What ListBookFiles does once the folder is chosen: clear the list, then enumerate and add.
size_t Listing(HWND list, HWND window, HFONT font, const std::wstring& folder) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    std::wstring fullPath;
    {
        zelmo::files::ListFiller filler(list, window, font);
        zelmo::files::EnumerateWorkbooks(
            folder, [&](std::wstring path) { fullPath = std::move(path); },
            [&](const std::wstring& name) { filler.Add(name); });
    }
    return static_cast<size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0));
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : 10000;
    zelmo::win::CoInitScope com;
    zelmo::ui::program::SetLastWindowClosedAction([] {});
    zelmo::test::ScratchFolder folder(L"bench");
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        std::swprintf(name, 64, L"ブック_%05d_月次売上集計.xlsx", i);
        folder.Touch(name);
    }

    zelmo::ui::Excel_Zelmo_2013 window;
    window.Show();
    zelmo::ui::Pump();
    zelmo::ui::MainWindowProbe probe(window);
    HWND list = probe.Control(L"List_Book");
    auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));

    BareEnumeration(folder.path());  // warm the service and the file system's cache
    std::vector<double> bare, listing;
    size_t bareCount = 0, listed = 0;
    for (int round = 0; round < 5; ++round) {
        auto t0 = Clock::now();
        bareCount = BareEnumeration(folder.path());
        auto t1 = Clock::now();
        listed = Listing(list, window.hWnd(), font, folder.path());
        auto t2 = Clock::now();
        bare.push_back(Millis(t1 - t0));
        listing.push_back(Millis(t2 - t1));
    }
    const double b = Median(bare), l = Median(listing);
    std::printf("files: %d, enumerated: %zu, listed: %zu, extent: %d px\n", count, bareCount, listed,
                static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)));
    std::printf("bare enumeration (Files + Name): %.1f ms (median of %zu)\n", b, bare.size());
    std::printf("listing into List_Book:          %.1f ms (median of %zu)\n", l, listing.size());
    std::printf("ratio listing / bare:            %.2f (goal <= 1.5)\n", l / b);
    return listed == static_cast<size_t>(count) ? 0 : 1;
}
