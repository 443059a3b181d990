// Reading a registered LocalServer32 command, and starting a server ahead only where it is ours.
#include <windows.h>

#include <gtest/gtest.h>

#include "win/local_server.h"

namespace zelmo::win {
namespace {

TEST(LocalServer, TheProgramOfACommandDropsQuotesAndSwitches) {
    EXPECT_EQ(ProgramOfCommand(L"\"C:\\Program Files\\Z\\ZelmoSheetServer.exe\" --bundled"),
              L"C:\\Program Files\\Z\\ZelmoSheetServer.exe");
    EXPECT_EQ(ProgramOfCommand(L"  \"C:\\a b\\x.exe\""), L"C:\\a b\\x.exe");
    EXPECT_EQ(ProgramOfCommand(L"C:\\Office\\EXCEL.EXE /automation"), L"C:\\Office\\EXCEL.EXE");
    EXPECT_EQ(ProgramOfCommand(L"C:\\x\\server.exe -Embedding"), L"C:\\x\\server.exe");
    EXPECT_EQ(ProgramOfCommand(L"C:\\x\\server.exe"), L"C:\\x\\server.exe");
    EXPECT_EQ(ProgramOfCommand(L"\"C:\\unclosed\\server.exe"), L"C:\\unclosed\\server.exe");
}

TEST(LocalServer, NothingIsStartedForAClassThatIsNotOurs) {
    // A class with no LocalServer32 (an in-process one of the system), and one that does not exist.
    const CLSID stdFont = {0x0BE35203, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    EXPECT_FALSE(StartLocalServerAhead(stdFont, L"ZelmoSheetServer.exe", 100));
    const CLSID none = {0x5A0C1E77, 0x1D2B, 0x4C9A, {0x8E, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
    EXPECT_FALSE(StartLocalServerAhead(none, L"ZelmoSheetServer.exe", 100));
}

TEST(LocalServer, AReadyArgumentSetsItsEventAndOthersAreIgnored) {
    const wchar_t name[] = L"Local\\ZelmoLocalServerTest.ready";
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, name);
    ASSERT_NE(ready, nullptr);
    SignalReady(L"-Embedding");
    SignalReady(kReadyEventSwitch);  // no name
    EXPECT_EQ(WaitForSingleObject(ready, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SignalReady(std::wstring(kReadyEventSwitch) + name);
    EXPECT_EQ(WaitForSingleObject(ready, 0), WAIT_OBJECT_0);
    CloseHandle(ready);
}

}  // namespace
}  // namespace zelmo::win
