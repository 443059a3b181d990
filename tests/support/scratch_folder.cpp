#include "scratch_folder.h"

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace zelmo::test {

ScratchFolder::ScratchFolder(const std::wstring& leaf) {
    static int serial = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"zelmo-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial) +
            L"-" + leaf;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchFolder::Touch(const std::wstring& relative) const {
    const std::wstring full = *this / relative;
    const std::filesystem::path file(full);
    std::ofstream created(file, std::ios::binary);
    return full;
}

std::wstring ScratchFolder::MakeFolder(const std::wstring& relative) const {
    const std::wstring full = *this / relative;
    std::error_code ignored;
    std::filesystem::create_directory(full, ignored);
    return full;
}

}  // namespace zelmo::test
