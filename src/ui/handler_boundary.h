// The one place where an error that leaves an event handler ends up: it is shown to the user in a
// message box that says what failed and why, and the program goes on with the state the handler
// had reached. Every handler of the program's windows is called through RunHandler.
#pragma once

#include <windows.h>

#include <string>

#include "ui/program.h"

namespace zelmo::ui {

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
