// The program's message box with work done while it is on screen: the steps run from the box's
// own loop while the box answers, and those left when it is closed run before it returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "ui_driver.h"
#include "ui/program.h"

namespace zelmo::ui {
namespace {

TEST(ShowMessageWhile, StepsRunWhileTheBoxIsOnScreen) {
    constexpr int kSteps = 40;
    std::atomic<int> done{0};
    int doneWhenClosed = -1;
    std::wstring text;
    WithModalDriver(
        [&](ModalDriver& d) {
            // The box stays until every step has run: they run without anyone closing it.
            for (int i = 0; i < 500 && done < kSteps; ++i) Sleep(10);
            doneWhenClosed = done;
            text = d.DismissMessage();
        },
        [&] {
            ShowMessageWhile(nullptr, L"終わりました", [&] {
                Sleep(2);
                return ++done < kSteps;
            });
        });
    EXPECT_EQ(doneWhenClosed, kSteps);
    EXPECT_EQ(text, L"終わりました");
    EXPECT_EQ(done, kSteps);
}

TEST(ShowMessageWhile, StepsLeftWhenTheBoxIsClosedRunBeforeItReturns) {
    constexpr int kSteps = 300;
    int done = 0;
    for (int round = 0; round < 2; ++round) {  // the second box works as the first did
        done = 0;
        std::wstring text;
        WithModalDriver([&](ModalDriver& d) { text = d.DismissMessage(); },
                        [&] {
                            ShowMessageWhile(nullptr, L"すぐ閉じる", [&] {
                                Sleep(2);
                                return ++done < kSteps;
                            });
                        });
        EXPECT_EQ(text, L"すぐ閉じる") << round;
        EXPECT_EQ(done, kSteps) << round;
    }
    // No step is left to run after the call: a plain message box shows no more of them.
    WithModalDriver([](ModalDriver& d) { d.DismissMessage(); }, [] { ShowMessage(nullptr, L"次"); });
    EXPECT_EQ(done, kSteps);
}

}  // namespace
}  // namespace zelmo::ui
