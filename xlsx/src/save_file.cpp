// Atomic saving: the package goes to a temporary file in the target folder, which then replaces the
// target in one rename. A failure leaves the old file as it was and removes the temporary file.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include "win/handles.h"
#endif

#include "messages.h"
#include "xlsx/workbook.h"

namespace zelmo::xlsx {
namespace {

std::filesystem::path TempPathNear(const std::filesystem::path& target) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path dir = target.parent_path();
    for (unsigned n = 0;; ++n) {
        std::filesystem::path candidate =
            dir / ("~zelmo-" + std::to_string(static_cast<unsigned long long>(stamp) % 1000000007ull) + "-" +
                   std::to_string(n) + ".tmp");
        std::error_code ec;
        if (!std::filesystem::exists(candidate, ec)) return candidate;
    }
}

#ifdef _WIN32
WriteCause CauseOf(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case 1295:  // ERROR_DISK_QUOTA_EXCEEDED (not in every SDK's headers)
        return WriteCause::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return WriteCause::NotWritable;
    default:
        return WriteCause::Other;
    }
}
#else
WriteCause CauseOf(int error) {
    if (error == ENOSPC || error == EDQUOT) return WriteCause::DiskFull;
    if (error == EACCES || error == EPERM || error == EROFS) return WriteCause::NotWritable;
    return WriteCause::Other;
}
#endif

std::string Why(WriteCause cause, const std::string& otherwise) {
    if (cause == WriteCause::DiskFull) return "ディスクの空き容量が足りません";
    if (cause == WriteCause::NotWritable) return "保存先に書き込む権限がありません";
    return otherwise;
}

// Writes the bytes to a new file; on failure, the system's reason.
bool WriteNewFile(const std::filesystem::path& path, const std::string& bytes, WriteCause& cause) {
#ifdef _WIN32
    win::UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        cause = CauseOf(GetLastError());
        return false;
    }
    bool ok = true;
    for (size_t at = 0; ok && at < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(bytes.size() - at < (1u << 30) ? bytes.size() - at : (1u << 30));
        DWORD written = 0;
        ok = WriteFile(file.get(), bytes.data() + at, chunk, &written, nullptr) && written == chunk;
        at += written;
    }
    if (ok) ok = FlushFileBuffers(file.get()) != 0;
    if (!ok) cause = CauseOf(GetLastError());
    // A close can still fail for writes the system held back: that is a failed save too.
    if (!file.Close() && ok) {
        cause = CauseOf(GetLastError());
        ok = false;
    }
    return ok;
#else
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (out) {
            out.close();
            if (out) return true;
        }
    }
    cause = CauseOf(errno);
    return false;
#endif
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& why,
                 WriteCause& cause) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    why = "名前を変更できません (エラー " + std::to_string(error) + ")";
    cause = CauseOf(error);
    return false;
#else
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (!ec) return true;
    why = "名前を変更できません: " + ec.message();
    cause = CauseOf(ec.value());
    return false;
#endif
}

}  // namespace

void Workbook::SaveFile(const std::filesystem::path& path) const {
    const std::string bytes = SaveToBytes();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw Error(ErrorKind::WriteFailed, msg::WriteFailed("同じ名前のフォルダーがあります"));
    const std::filesystem::path temp = TempPathNear(path);
    WriteCause cause = WriteCause::Other;
    const bool written = WriteNewFile(temp, bytes, cause);
    std::string why = "書き込めません";
    if (written && ReplaceFile(temp, path, why, cause)) return;
    std::filesystem::remove(temp, ec);
    throw Error(ErrorKind::WriteFailed, msg::WriteFailed(Why(cause, why)), cause);
}

}  // namespace zelmo::xlsx
