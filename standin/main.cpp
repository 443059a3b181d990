// ZelmoSheetServer: a stand-in for the spreadsheet program's automation server, backed by the
// workbook-package engine. Where Excel is not installed the program uses it under a class of its
// own (ExcelZelmo.SheetServer), which the program registers per user; the test bed registers it
// as Excel.Application in its own Wine prefix.
//   ZelmoSheetServer --unregister           remove the per-user registration of its own class
//   ZelmoSheetServer --register-testbed     the test bed's: register as Excel.Application for the
//                                           current user (refused while another program is)
//   ZelmoSheetServer --unregister-testbed   remove that registration
//   ZelmoSheetServer -Embedding             (or /Automation) started by COM for an Excel.Application
//                                           client; with --bundled before it, for its own class;
//                                           with --ready-event=<name> after it, sets that event
//                                           once its class is registered (win/local_server.h)
// Environment (read at start; a server started by COM under Wine inherits its client's):
//   ZELMO_STANDIN_JOURNAL=<file>    one line per automation call, see journal.h
//   ZELMO_STANDIN_FAULTS=<rules>    make chosen calls fail, see faults.h
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "class_factory.h"
#include "faults.h"
#include "ids.h"
#include "journal.h"
#include "lifetime.h"
#include "objects.h"
#include "registration.h"
#include "server_lock.h"
#include "text.h"
#include "win/handles.h"
#include "win/local_server.h"
#include "win/processes.h"
#include "win/proxy_stub_cache.h"
#include "win/text.h"
#include "win/type_library.h"

using namespace zelmo::standin;

namespace {

// Writes to the standard error the command was started with or, when it has none (a windowed
// program started from a console), to that console.
void Print(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    zelmo::win::UniqueHandle console;  // opened here, so closed here
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console.reset(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        out = console.get();
    }
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const std::wstring line = text + L"\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else {
        const std::string bytes = zelmo::win::ToUtf8(line);
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The process that started this one: under Wine the COM client itself.
DWORD ParentProcessId() {
    const auto processes = zelmo::win::RunningProcesses();
    if (!processes) return 0;
    DWORD parent = 0;
    const DWORD self = GetCurrentProcessId();
    for (const zelmo::win::ProcessEntry& process : *processes)
        if (process.id == self) parent = process.parentId;
    return parent;
}

int RunServer(bool bundled, const std::vector<std::wstring>& args) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    Journal& journal = Journal::Get();
    const DWORD parentId = ParentProcessId();
    // If the client dies its references are never released; watching it keeps the server from
    // lingering after it.
    zelmo::win::UniqueHandle parent(parentId != 0 ? OpenProcess(SYNCHRONIZE, FALSE, parentId) : nullptr);
    Lifetime::Get().SetClientProcess(parent.get());
    journal.Write(L"server start pid=" + std::to_wstring(GetCurrentProcessId()) + L" parent=" +
                  std::to_wstring(parentId) + L" faults=" + std::to_wstring(Faults::Get().size()) +
                  L" class=" + (bundled ? kBundledProgId : kProgId));

    static ClassFactory factory;
    DWORD cookie = 0;
    // Only the class COM started it for: the bundled server never answers for Excel's.
    HRESULT hr = CoRegisterClassObject(bundled ? kClsidBundled : kClsidApplication, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (FAILED(hr)) {
        journal.Write(L"server end: CoRegisterClassObject failed");
        parent.reset();
        CoUninitialize();
        return 1;
    }
    bool registered = true;
    // Started ahead by its client (see win/local_server.h): say that the class can be found.
    for (const std::wstring& arg : args) zelmo::win::SignalReady(arg);
    // Where the server answers for the spreadsheet program's interfaces (the test bed), their type
    // library is held for the whole run: the marshaler would otherwise read it again for every
    // stub it makes, one or more for each sheet handed out.
    zelmo::win::ComPtr<ITypeLib> publicTypes;
    if (!bundled) publicTypes = zelmo::win::LoadTypeLibraryOf(kIidWorksheet);
    // Every object handed out or asked for by another interface is marshaled: under Wine, the
    // proxy/stub classes are then found without the registry (win/proxy_stub_cache.h).
    const zelmo::win::ProxyStubCache proxyStubs({IID_IUnknown, IID_IDispatch, IID_IEnumVARIANT, kIidApplication,
                                                 kIidWorkbooks, kIidWorkbook, kIidSheets, kIidWorksheet, kIidChart});
    // Calls run on COM's threads (server_lock.h); this thread only watches the client and the
    // lifetime, woken by either or every 200 ms for the time limits.
    for (;;) {
        HANDLE waits[2] = {Lifetime::Get().wakeEvent(), parent.get()};
        const DWORD count = waits[1] != nullptr ? 2 : 1;
        const DWORD wait = MsgWaitForMultipleObjectsEx(count, waits, 200, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count == 2 && wait == WAIT_OBJECT_0 + 1) {
            const ServerGuard guard(ServerLock());
            journal.Write(L"server end: the client process ended");
            Lifetime::Get().JournalHeldReferences();
            break;
        }
        // Messages of this thread's own windows, if any.
        MSG msg;
        bool quit = false;
        while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
            } else {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (quit) break;
        bool revoke = false;
        bool end = false;
        {
            const ServerGuard guard(ServerLock());
            // Once every instance has quit, new clients get a new process, not this ending one.
            revoke = registered && Lifetime::Get().allQuit();
            end = Lifetime::Get().ShouldEnd();
        }
        if (revoke) {
            CoRevokeClassObject(cookie);
            registered = false;
        }
        if (end) break;
    }
    if (registered) CoRevokeClassObject(cookie);
    publicTypes.reset();
    Lifetime::Get().SetClientProcess(nullptr);
    parent.reset();
    // The process ends here without leaving the apartment. The call that released the last
    // object may still be sending its answer on a COM thread; leaving the apartment then waits for
    // that call to be counted complete, and under Wine that wait can miss the count and never
    // end. Ending the process tears the apartment down with it.
    journal.Write(L"server exit");
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::vector<std::wstring> args;
    {
        int argc = 0;
        const zelmo::win::LocalMem<LPWSTR> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
        for (int i = 1; argv && i < argc; ++i) args.emplace_back(argv.get()[i]);
    }

    for (const std::wstring& arg : args) {
        if (arg == L"--register-testbed" || arg == L"--unregister-testbed" || arg == L"--unregister") {
            if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
            const RegistrationResult result = arg == L"--register-testbed" ? Register(ModulePath())
                                              : arg == L"--unregister-testbed" ? Unregister(ModulePath())
                                                                                : UnregisterBundled();
            CoUninitialize();
            Print(result.message);
            return result.ok ? 0 : 1;
        }
    }
    bool bundled = false;
    for (const std::wstring& arg : args) bundled = bundled || arg == L"--bundled";
    for (const std::wstring& arg : args) {
        const std::wstring word = FoldCase(arg);
        if (word == L"-embedding" || word == L"/embedding" || word == L"-automation" || word == L"/automation")
            return RunServer(bundled, args);
    }
    Print(L"使い方: ZelmoSheetServer --unregister\n"
          L"(ExcelZelmo.exe が Excel のない環境で COM から -Embedding 付きで起動します。"
          L"--unregister はこのユーザーの登録を削除します)");
    return 2;
}
