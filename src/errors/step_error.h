// A failure at a named step: what could not be done, in Japanese, and why (the service's or the
// shell's own reason, see reason.h; empty where there is none). The listing and the windows throw
// it; the windows' handler boundary shows its message.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace zelmo::errors {

class StepError : public std::runtime_error {
public:
    StepError(std::wstring what, std::wstring reason)
        : std::runtime_error("step failed"), what_(std::move(what)), reason_(std::move(reason)) {}
    const std::wstring& what_failed() const noexcept { return what_; }
    const std::wstring& reason() const noexcept { return reason_; }
    // "<what>\n\n理由: <reason>", or <what> alone when there is no reason.
    std::wstring Message() const { return reason_.empty() ? what_ : what_ + L"\n\n理由: " + reason_; }

private:
    std::wstring what_;
    std::wstring reason_;
};

}  // namespace zelmo::errors
