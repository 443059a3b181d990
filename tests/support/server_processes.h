// The tests' checks on the stand-in server's processes: which are running, and waiting until none
// is left (a test must not leave a server behind, nor start while one from before still runs).
#pragma once

#include <windows.h>

#include <vector>

#include "test_constants.h"

namespace zelmo::test {

// The ids of the running server processes; none when the process list cannot be read.
std::vector<DWORD> ServerProcesses();

// How many server processes run; -1 when the process list cannot be read.
int ServerProcessCount();

// Waits until no server process is left; false after `timeoutMs`. A process list that cannot be
// read never counts as empty.
bool WaitNoServer(DWORD timeoutMs);

}  // namespace zelmo::test
