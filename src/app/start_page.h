// The start page `Frm_St`: one sentence about the program and the "スタート" button that opens the
// main window. The first window of the program; it stays open beside the main window.
#pragma once

#include <windows.h>

#include "ui/controls.h"
#include "ui/look.h"
#include "ui/program.h"
#include "win/handles.h"

namespace zelmo::app {

inline constexpr wchar_t kStartPageCaption[] = L"スタートページ";

class Frm_St : public ui::KeyboardNavigator {
public:
    Frm_St();
    ~Frm_St() override;
    Frm_St(const Frm_St&) = delete;
    Frm_St& operator=(const Frm_St&) = delete;

    // Loads the page (controls, then `Form_Load`) and shows it at its fixed place on the screen.
    void Show();
    HWND hWnd() const noexcept { return hwnd_; }

    bool PreTranslate(MSG& msg) override;

private:
    friend class StartPageProbe;  // the tests' view of the controls

    void Form_Load();
    void Cmd_St_Click();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    ui::Label Lbl_1;
    ui::Button Cmd_St;

    HWND hwnd_ = nullptr;
    ui::TwipScale scale_;
    win::UniqueFont font_;
    win::UniqueBrush background_;
    win::UniqueIcon bigIcon_, smallIcon_;
};

}  // namespace zelmo::app
