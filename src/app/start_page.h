// The start page `Frm_St`: one sentence about the program and the "スタート" button that opens the
// main window. The first window of the program; it stays open beside the main window.
#pragma once

#include <windows.h>

#include "ui/controls.h"
#include "ui/form.h"
#include "win/handles.h"

namespace zelmo::app {

inline constexpr wchar_t kStartPageCaption[] = L"スタートページ";

class Frm_St : public ui::Form {
public:
    Frm_St();

    // Loads the page (controls, then `Form_Load`) and shows it at its fixed place on the screen.
    void Show();

    bool PreTranslate(MSG& msg) override;

private:
    friend class StartPageProbe;  // the tests' view of the controls

    void CreateControls() override;
    void Form_Load() override;
    void Cmd_St_Click();

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

    ui::Label Lbl_1;
    ui::Button Cmd_St;

    win::UniqueFont font_;
};

}  // namespace zelmo::app
