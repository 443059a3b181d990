// What the program's two windows (the start page and the main window) share as windows: the
// window class registered once, the window made with a client area of a size in twips, its
// messages routed to the form, the background and the colour of static text, the wait cursor,
// the icons, and the program's count of open windows. A form outlives its window: closing the
// window keeps the instance, and the form can be loaded again.
#pragma once

#include <windows.h>

#include "ui/look.h"
#include "ui/program.h"
#include "win/handles.h"

namespace zelmo::ui {

// How a form's window is made.
struct FormDesign {
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    int width, height;    // the client area, in twips
    int left, top;        // its top-left corner on the screen in twips; CW_USEDEFAULT: the system's choice
    COLORREF background;  // also behind the text of labels and option buttons
    COLORREF staticText;  // the text of labels and option buttons
    int iconId;           // the icon resource, big and small
    const char* creationError;  // the error's text when the window cannot be created
};

class Form : public KeyboardNavigator {
public:
    // Destroys the window if it is open. The derived form is gone by then, so the window's last
    // messages get only the handling of Form::Handle.
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hWnd() const noexcept { return hwnd_; }
    bool IsLoaded() const noexcept { return hwnd_ != nullptr; }

protected:
    explicit Form(const FormDesign& design);

    // Creates the window, its icons and its controls (CreateControls), reports the window open,
    // then runs `Form_Load` through the handler boundary. Throws when the window cannot be made.
    void Load();
    virtual void CreateControls() = 0;
    virtual void Form_Load() = 0;

    // A child window at `place` inside `parent`, with `font` unless it is null; null when the
    // window could not be created.
    HWND CreateChild(HWND parent, int id, const wchar_t* windowClass, const wchar_t* caption, DWORD style,
                     const TwipRect& place, HFONT font, DWORD exStyle = 0, void* param = nullptr) const;

    // The messages every form answers alike: the background, the colours of static text, the
    // wait cursor and the end of the window (OnDestroyed, then the program's count); the rest
    // goes to DefWindowProc. A form handles its own messages first and passes the rest here.
    virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The window is being destroyed: the form lets go of its controls and what depends on them.
    virtual void OnDestroyed() {}

    HWND hwnd_ = nullptr;
    TwipScale scale_;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    FormDesign design_;
    win::UniqueBrush background_;
    win::UniqueIcon bigIcon_, smallIcon_;
};

}  // namespace zelmo::ui
