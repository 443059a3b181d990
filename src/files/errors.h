// A failure of the file selection at a named step: what could not be done, in Japanese, and why
// (the file-system service's or the shell's own reason where there is one).
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace zelmo::files {

class FileSelectionError : public std::runtime_error {
public:
    FileSelectionError(std::wstring what, std::wstring reason)
        : std::runtime_error("file selection failed"), what_(std::move(what)), reason_(std::move(reason)) {}
    const std::wstring& what_failed() const noexcept { return what_; }
    const std::wstring& reason() const noexcept { return reason_; }
    // "<what>\n\n理由: <reason>"
    std::wstring Message() const { return reason_.empty() ? what_ : what_ + L"\n\n理由: " + reason_; }

private:
    std::wstring what_;
    std::wstring reason_;
};

}  // namespace zelmo::files
