// The server tests run in one single-threaded apartment, as the product's client does, and end by
// checking that no server process outlives them.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "server_fixture.h"
#include "server_process.h"
#include "win/handles.h"

namespace {

class NoServerLeft : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_TRUE(zelmo::standin_test::WaitNoServer(10000)) << "server process left at exit"; }
};

}  // namespace

// A client that takes an application and a workbook and dies without releasing them.
int HoldExcelAndDie() {
    const zelmo::win::Dispatch app = zelmo::standin_test::StartExcel();
    const zelmo::win::Dispatch book = app.Get(L"Workbooks").ToDispatch().Call(L"Add").ToDispatch();
    TerminateProcess(GetCurrentProcess(), 3);
    return 4;
}

// A client that saves a new workbook over `path` and so waits in SaveAs (until it is killed).
int SaveOver(const std::wstring& path) {
    const zelmo::win::Dispatch app = zelmo::standin_test::StartExcel();
    const zelmo::win::Dispatch book = app.Get(L"Workbooks").ToDispatch().Call(L"Add").ToDispatch();
    book.Call(L"SaveAs", path);
    TerminateProcess(GetCurrentProcess(), 3);
    return 4;
}

int RunChild() {
    int argc = 0;
    const zelmo::win::LocalMem<LPWSTR> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv || argc < 2) return -1;
    const std::wstring mode = argv.get()[1];
    const std::wstring path = argc > 2 ? argv.get()[2] : L"";
    if (mode != zelmo::standin_test::kHoldExcelAndDie && mode != zelmo::standin_test::kSaveOverAndWait) return -1;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    try {
        return mode == zelmo::standin_test::kHoldExcelAndDie ? HoldExcelAndDie() : SaveOver(path);
    } catch (const zelmo::win::ComError&) {
        return 2;
    }
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]).rfind("--child-", 0) == 0) return RunChild();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new NoServerLeft);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
