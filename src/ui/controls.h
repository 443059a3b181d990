// Thin views of the child windows of the program's forms, with the few operations the handlers
// use, named as the handlers name them (`Clear`, `AddItem`, `ListCount`, `List`, `Selected`,
// `hWnd`). A view does not own its window: the form that created it destroys it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zelmo::ui {

class Control {
public:
    HWND hWnd() const noexcept { return hwnd_; }
    void Attach(HWND hwnd) noexcept { hwnd_ = hwnd; }
    // Its own visibility flag (WS_VISIBLE), not whether a container hides it.
    bool Visible() const noexcept;
    void SetVisible(bool visible) const noexcept;

protected:
    HWND hwnd_ = nullptr;
};

class Button : public Control {};
class Panel : public Control {};

class Label : public Control {
public:
    void SetCaption(std::wstring_view text) const;
};

class OptionButton : public Control {
public:
    // True when this is the selected option of its group.
    bool Value() const noexcept;
    void SetValue(bool selected) const noexcept;
};

// A plain list box. Counts and indices are 16-bit signed, as the rest of the program counts them.
class ListBox : public Control {
public:
    void Clear() const noexcept;
    // Appends an entry. Throws errors::StepError when the list already holds 32,767 entries.
    void AddItem(std::wstring_view text) const;
    // Throws errors::StepError when the list holds more than 32,767 entries.
    int16_t ListCount() const;
    std::wstring List(int16_t index) const;
    bool Selected(int16_t index) const noexcept;
    void SetSelected(int16_t index, bool selected) const noexcept;
    // The horizontal scroll range in pixels (LB_GETHORIZONTALEXTENT).
    int HorizontalExtent() const noexcept;
};

// The most entries that a list's 16-bit counts can number.
inline constexpr int kMaxListCount = 32767;

}  // namespace zelmo::ui
