// The server tests run in one single-threaded apartment, as the product's client does, and end by
// checking that no server process outlives them.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "server_process.h"

namespace {

class NoServerLeft : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_TRUE(zelmo::standin_test::WaitNoServer(10000)) << "server process left at exit"; }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new NoServerLeft);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
