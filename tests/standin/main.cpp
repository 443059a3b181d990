// The server tests run in one single-threaded apartment, as the product's client does, and end by
// checking that no server process outlives them.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "dispatch_client.h"
#include "server_fixture.h"
#include "server_process.h"

namespace {

class NoServerLeft : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_TRUE(zelmo::standin_test::WaitNoServer(10000)) << "server process left at exit"; }
};

}  // namespace

// A client that takes an application and a workbook and dies without releasing them.
int HoldExcelAndDie() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    zelmo::standin_test::Disp app = zelmo::standin_test::Disp::CreateExcel();
    if (!app) return 2;
    zelmo::standin_test::Disp book = app.GetObj(L"Workbooks").CallObj(L"Add");
    TerminateProcess(GetCurrentProcess(), 3);
    return 4;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--hold-excel-and-die") return HoldExcelAndDie();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new NoServerLeft);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
