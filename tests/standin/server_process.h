// The server seen from outside: its processes (to prove none is left behind), its message boxes
// (to answer the overwrite question from a test thread), and scratch folders.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "server_processes.h"

namespace zelmo::standin_test {

using test_support::kServerExe;
using test_support::ServerProcesses;
using test_support::WaitNoServer;

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

// A fresh folder under %TEMP%, removed with its contents at destruction.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& leaf);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// The journal's lines (UTF-8 file) as UTF-16.
std::vector<std::wstring> ReadLines(const std::wstring& path);

}  // namespace zelmo::standin_test
