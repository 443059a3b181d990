// Atomic saving: the package goes to a temporary file in the target folder, which then replaces the
// target in one rename. A failure leaves the old file as it was and removes the temporary file.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
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

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& why) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    why = "名前を変更できません (エラー " + std::to_string(GetLastError()) + ")";
    return false;
#else
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (!ec) return true;
    why = "名前を変更できません: " + ec.message();
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
    bool written = false;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.flush();
            written = static_cast<bool>(out);
        }
    }
    std::string why = "書き込めません";
    if (written && ReplaceFile(temp, path, why)) return;
    std::filesystem::remove(temp, ec);
    throw Error(ErrorKind::WriteFailed, msg::WriteFailed(why));
}

}  // namespace zelmo::xlsx
