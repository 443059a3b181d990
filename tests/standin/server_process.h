// The server seen from outside: its processes (to prove none is left behind) and the files it reads
// and writes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "test_constants.h"

namespace zelmo::standin_test {

using test::kServerExe;

std::vector<DWORD> ServerProcesses();
// Waits until no server process is left; false after `timeoutMs`.
bool WaitNoServer(DWORD timeoutMs);

bool FileExists(const std::wstring& path);
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// The journal's lines (UTF-8 file) as UTF-16.
std::vector<std::wstring> ReadLines(const std::wstring& path);

}  // namespace zelmo::standin_test
