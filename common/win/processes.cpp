#include "win/processes.h"

#include <tlhelp32.h>

#include "win/handles.h"

namespace zelmo::win {

std::optional<std::vector<ProcessEntry>> RunningProcesses() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    std::vector<ProcessEntry> processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    return processes;
}

std::optional<std::vector<DWORD>> ProcessesOf(std::wstring_view exeName) {
    const std::optional<std::vector<ProcessEntry>> processes = RunningProcesses();
    if (!processes) return std::nullopt;
    const std::wstring wanted(exeName);
    std::vector<DWORD> ids;
    for (const ProcessEntry& process : *processes) {
        const size_t slash = process.exeName.find_last_of(L'\\');
        const wchar_t* name = process.exeName.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
        if (lstrcmpiW(name, wanted.c_str()) == 0) ids.push_back(process.id);
    }
    return ids;
}

}  // namespace zelmo::win
