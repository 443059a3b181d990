// The processes running on the machine, read from a snapshot of the system's process list
// (the tool-help functions).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo::win {

struct ProcessEntry {
    DWORD id = 0;
    DWORD parentId = 0;
    std::wstring exeName;  // the program's file, as the snapshot names it
};

// The processes running now; nothing when the system gives no snapshot.
std::optional<std::vector<ProcessEntry>> RunningProcesses();

// The ids of the running processes of one program, by its file name ("ZelmoSheetServer.exe";
// case is ignored, and so is a folder in front of the name); nothing when the system gives no
// snapshot.
std::optional<std::vector<DWORD>> ProcessesOf(std::wstring_view exeName);

}  // namespace zelmo::win
