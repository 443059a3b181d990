// The server seen from outside: its processes (to prove none is left behind), its message boxes
// (to answer the overwrite question from a test thread), and the files it reads and writes.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "test_constants.h"

namespace zelmo::standin_test {

using test::kServerExe;

std::vector<DWORD> ServerProcesses();
// Waits until no server process is left; false after `timeoutMs`.
bool WaitNoServer(DWORD timeoutMs);

// What a test saw of one message box of the server.
struct SeenBox {
    bool found = false;
    std::wstring caption;
    std::wstring text;
    int defaultButton = 0;
    int focusButton = 0;
};

// Waits for a dialog box of a server process; false after `timeoutMs`.
bool WaitServerBox(DWORD timeoutMs);

// On a thread of its own: waits for a dialog box of a server process, records it and presses
// `button` (IDYES / IDNO). Join() before reading seen().
class BoxAnswerer {
public:
    BoxAnswerer(int button, DWORD timeoutMs = 15000);
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    const SeenBox& seen() const { return seen_; }

private:
    SeenBox seen_;
    std::thread thread_;
};

bool FileExists(const std::wstring& path);
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// The journal's lines (UTF-8 file) as UTF-16.
std::vector<std::wstring> ReadLines(const std::wstring& path);

}  // namespace zelmo::standin_test
