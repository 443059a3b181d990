// The list of running processes, which the server reads to find its client and the tests to see
// that no server is left.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win/processes.h"

namespace zelmo::win {
namespace {

TEST(Processes, TheListHoldsThisProcessUnderItsProgramsName) {
    const auto processes = RunningProcesses();
    ASSERT_TRUE(processes.has_value());
    const auto self = std::find_if(processes->begin(), processes->end(),
                                   [](const ProcessEntry& p) { return p.id == GetCurrentProcessId(); });
    ASSERT_NE(self, processes->end());
    EXPECT_NE(self->parentId, self->id);

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L'\\') + 1);
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));  // the name is compared ignoring case
    const auto ids = ProcessesOf(name);
    ASSERT_TRUE(ids.has_value());
    EXPECT_NE(std::find(ids->begin(), ids->end(), GetCurrentProcessId()), ids->end());
    EXPECT_EQ(ProcessesOf(L"zelmo-no-such-program.exe"), std::vector<DWORD>{});
}

}  // namespace
}  // namespace zelmo::win
