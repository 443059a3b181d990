// Dialog keys for a form whose tab order crosses its containers, which the system's dialog
// navigation (IsDialogMessage) cannot follow: it walks each container's children by z-order.
#pragma once

#include <windows.h>

#include <vector>

namespace zelmo::ui {

struct TabOrder {
    std::vector<HWND> controls;  // every control in tab order, containers included
    std::vector<HWND> options;   // the form's option buttons, one group
};

// Handles Tab / Shift+Tab (next / previous control that is visible and enabled; of a group of
// option buttons only the selected one is a stop, or the first when none is selected), arrow keys
// on an option button (the next or previous visible option of the group, which the focus then
// selects) and Enter on a push button (clicks it). True when the key was handled.
bool HandleDialogKey(const MSG& msg, const TabOrder& order);

// The control that takes the focus first: the first stop in tab order.
HWND FirstTabStop(const TabOrder& order);

}  // namespace zelmo::ui
