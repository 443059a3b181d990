// The one place where an error that leaves an event handler ends up: it is shown to the user in a
// message box that says what failed and why, and the program goes on with the state the handler
// had reached. Every handler of the program's windows is called through RunHandler.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "ui/program.h"
#include "win/com_error.h"

namespace zelmo::ui {

// A failure at a named step of a handler: `what` says in Japanese what could not be done, the
// reason why (the service's own text where it gave one).
class StepError : public std::runtime_error {
public:
    StepError(std::wstring what, std::wstring reason);
    const std::wstring& what_failed() const noexcept { return what_; }
    const std::wstring& reason() const noexcept { return reason_; }
    // "<what>\n\n理由: <reason>"
    std::wstring Message() const;

private:
    std::wstring what_;
    std::wstring reason_;
};

// The message for the exception being handled (call inside a catch block).
std::wstring DescribeCurrentError();

// Runs a handler; an error leaving it is shown in a message box modal to `owner`.
template <class Handler>
void RunHandler(HWND owner, Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        try {
            ShowMessage(owner, DescribeCurrentError());
        } catch (...) {
            // Not even the message could be built (memory): the event is dropped, the program
            // keeps running.
        }
    }
}

}  // namespace zelmo::ui
