#include "server_processes.h"

#include "win/processes.h"

namespace zelmo::test {

std::vector<DWORD> ServerProcesses() { return win::ProcessesOf(kServerExe).value_or(std::vector<DWORD>{}); }

int ServerProcessCount() {
    const auto ids = win::ProcessesOf(kServerExe);
    return ids ? static_cast<int>(ids->size()) : -1;
}

bool WaitNoServer(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (ServerProcessCount() != 0) {
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
    return true;
}

}  // namespace zelmo::test
