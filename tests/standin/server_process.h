// The server seen from outside: its processes (to prove none is left behind) and the files it reads
// and writes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "server_processes.h"
#include "test_constants.h"

namespace zelmo::standin_test {

using test::kServerExe;
using test::ServerProcesses;
using test::WaitNoServer;

bool FileExists(const std::wstring& path);
std::vector<std::wstring> FilesIn(const std::wstring& folder);

}  // namespace zelmo::standin_test
