#include "wine_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "win/handles.h"

namespace zelmo::e2e {
namespace {

// Wine's own extension of the mount manager's interface (its ddk/mountmgr.h).
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;  // 0: remove the drive
    USHORT deviceOffset;
    USHORT labelOffset;
};

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

WineDrive::WineDrive(wchar_t letter, const std::string& unixFolder) : letter_(letter) {
    if (!UnderWine() || GetDriveTypeW(root().c_str()) != DRIVE_NO_ROOT_DIR) return;
    mapped_ = Define(unixFolder);
}

WineDrive::~WineDrive() {
    if (mapped_) Define({});
}

bool WineDrive::Define(const std::string& unixFolder) const {
    const win::UniqueHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    std::vector<char> buffer(sizeof(UnixDrive) + unixFolder.size() + 1, 0);
    UnixDrive drive{};
    drive.size = static_cast<ULONG>(buffer.size());
    drive.letter = static_cast<WCHAR>(letter_ - L'A' + L'a');
    if (unixFolder.empty()) {
        drive.type = DRIVE_NO_ROOT_DIR;
    } else {
        drive.type = DRIVE_FIXED;
        drive.mountPointOffset = static_cast<USHORT>(sizeof(UnixDrive));
        std::memcpy(buffer.data() + sizeof(UnixDrive), unixFolder.c_str(), unixFolder.size() + 1);
    }
    std::memcpy(buffer.data(), &drive, sizeof drive);
    DWORD returned = 0;
    return DeviceIoControl(manager.get(), kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                           0, &returned, nullptr) != FALSE;
}

}  // namespace zelmo::e2e
