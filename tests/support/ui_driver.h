// Test support for driving the program's real windows in-process: access to the windows' fields
// and controls, a second thread that answers the modal windows (the shell's folder dialog and
// message boxes) while the UI thread is blocked in them, and key presses through the program's own
// message loop step.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/start_page.h"
#include "ui/main_window.h"

namespace zelmo::ui {

// The tests' view of the main window's private fields and controls.
class MainWindowProbe {
public:
    explicit MainWindowProbe(Excel_Zelmo_2013& w) : w_(w) {}
    int16_t Mode() const { return w_.Mode; }
    int16_t FileCount() const { return w_.FileCount; }
    const std::wstring& FolderPath() const { return w_.FolderPath; }
    const std::wstring& FolderFullPath() const { return w_.FolderFullPath; }
    const std::wstring& FileList() const { return w_.FileList; }
    void SetFields(int16_t fileCount, std::wstring fileList) {
        w_.FileCount = fileCount;
        w_.FileList = std::move(fileList);
    }
    // A control by its name in the window's control table; nullptr for an unknown name.
    HWND Control(const std::wstring& name) const;
    // A list by its name; throws std::invalid_argument for a name that is not a list's.
    const ListBox& List(const std::wstring& name) const;

private:
    static const Excel_Zelmo_2013::ControlRow* Row(const std::wstring& name);
    Excel_Zelmo_2013& w_;
};

// Entries of a list box, in order.
std::vector<std::wstring> Entries(HWND list);
std::vector<int> SelectedIndices(HWND list);

// Handles pending messages of the calling thread the way the program's message loop does.
void Pump();
// A key press on the focused control, through the program's navigation step and dispatch.
void PressKey(WORD vk, bool shift = false);

// What the driver thread does while the UI thread runs an action that opens modal windows.
class ModalDriver {
public:
    explicit ModalDriver(DWORD uiThread) : uiThread_(uiThread) {}
    // Waits for the folder dialog, selects `path` in it and confirms. False on timeout.
    bool PickFolder(const std::wstring& path);
    // Selects `path`, deletes the (empty) folder while the dialog shows it, then confirms.
    bool PickVanishingFolder(const std::wstring& path);
    bool CancelFolderDialog();
    // Waits for a message box of the program; returns its text and presses OK ("" on timeout).
    std::wstring DismissMessage(DWORD timeoutMs = 10000);
    // The caption of the dialog last found, and when it was found.
    std::wstring lastCaption;
    std::chrono::steady_clock::time_point lastFoundAt;

private:
    HWND WaitForDialog(bool folderDialog, DWORD timeoutMs = 10000);
    bool Select(HWND dialog, const std::wstring& path);
    DWORD uiThread_;
};

// Runs `action` on this (the UI) thread while `script` runs on a second thread with a driver.
// Afterwards, whatever the script did, any modal window left open is closed so that the action
// returns; the call comes back within about `timeoutMs`.
void WithModalDriver(const std::function<void(ModalDriver&)>& script, const std::function<void()>& action,
                     DWORD timeoutMs = 20000);

// The colour of one pixel of a window's client area as drawn on the screen.
COLORREF PixelAt(HWND hwnd, int x, int y);

// The rectangle of a child window in its parent's client coordinates.
RECT RectInParent(HWND child);

}  // namespace zelmo::ui
