// A spare drive letter mapped to a folder for the length of a test, through Wine's mount manager
// (the way Wine's own configuration tool adds a drive): the drive then exists for every process of
// the prefix, the shell's folder tree included, until it is removed again.
#pragma once

#include <string>

namespace zelmo::e2e {

class WineDrive {
public:
    // `letter` such as L'X'; `unixFolder` the folder as the host spells it. Maps nothing when the
    // letter is taken or the program does not run under Wine.
    WineDrive(wchar_t letter, const std::string& unixFolder);
    ~WineDrive();
    WineDrive(const WineDrive&) = delete;
    WineDrive& operator=(const WineDrive&) = delete;
    bool mapped() const { return mapped_; }
    std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

private:
    bool Define(const std::string& unixFolder) const;
    wchar_t letter_;
    bool mapped_ = false;
};

}  // namespace zelmo::e2e
