// A scratch folder for a test: fresh and empty under the temporary folder, removed with everything
// in it at the end.
#pragma once

#include <string>

namespace zelmo::test {

class ScratchFolder {
public:
    // The folder's name holds `leaf` (which may hold any characters a folder name can), after the
    // process id and a serial number, so that no run or earlier test can have left anything in it.
    explicit ScratchFolder(const std::wstring& leaf);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    // The full path of `relative` (which may name subfolders) inside the folder.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    // Creates an empty file, or a folder, and returns its full path. Folders on the way must exist.
    std::wstring Touch(const std::wstring& relative) const;
    std::wstring MakeFolder(const std::wstring& relative) const;

private:
    std::wstring path_;
};

}  // namespace zelmo::test
