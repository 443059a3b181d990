// The fixture of the window tests: COM for the thread, the program's end-of-last-window action
// recorded instead of quitting, and a main window shown the way the start page shows it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ui/program.h"
#include "ui_driver.h"
#include "win/com.h"

namespace zelmo::ui {

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        program::SetLastWindowClosedAction([this] { ++lastWindowClosed_; });
        MainWindowReference() = std::make_unique<Excel_Zelmo_2013>();
        window().Show();
        Pump();
    }
    void TearDown() override {
        MainWindowReference().reset();
        Pump();
    }

    Excel_Zelmo_2013& window() { return *MainWindowReference(); }
    MainWindowProbe probe() { return MainWindowProbe(window()); }
    HWND C(const std::wstring& name) { return probe().Control(name); }
    static bool Visible(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }
    static bool Checked(HWND option) { return SendMessageW(option, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    static void Add(HWND list, const std::wstring& text) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // A click as the user makes it: the button's own BM_CLICK.
    static void Click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
    }
    // The click notification a hidden button would send, straight to its container.
    static void Notify(HWND button) {
        SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        Pump();
    }
    // Runs a "ファイル読込" click while the driver picks `folder` and returns the message shown
    // (if any) in `message`.
    void LoadFolder(HWND button, const std::wstring& folder, std::wstring* message = nullptr) {
        bool picked = false;
        std::wstring shown;
        WithModalDriver(
            [&](ModalDriver& d) {
                picked = d.PickFolder(folder);
                if (message != nullptr) shown = d.DismissMessage();
            },
            [&] { Click(button); });
        EXPECT_TRUE(picked) << "the folder dialog did not take the folder";
        if (message != nullptr) *message = shown;
    }

    win::CoInitScope com_;
    int lastWindowClosed_ = 0;
};

}  // namespace zelmo::ui
