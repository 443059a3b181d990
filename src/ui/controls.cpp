#include "ui/controls.h"

#include <new>
#include <vector>

#include "errors/step_error.h"

namespace zelmo::ui {
namespace {

[[noreturn]] void ThrowListLimit() {
    throw errors::StepError(L"一覧には 32,767 個を超える項目を入れられません。処理を中止しました。", L"");
}

}  // namespace

bool Control::Visible() const noexcept {
    return hwnd_ != nullptr && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) const noexcept {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Label::SetCaption(std::wstring_view text) const {
    SetWindowTextW(hwnd_, std::wstring(text).c_str());
}

bool OptionButton::Value() const noexcept {
    return hwnd_ != nullptr && SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OptionButton::SetValue(bool selected) const noexcept {
    SendMessageW(hwnd_, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ListBox::Clear() const noexcept {
    if (hwnd_ != nullptr) SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

void ListBox::AddItem(std::wstring_view text) const {
    if (SendMessageW(hwnd_, LB_GETCOUNT, 0, 0) >= kMaxListCount) ThrowListLimit();
    const std::wstring item(text);
    const LRESULT index = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (index == LB_ERR || index == LB_ERRSPACE) throw std::bad_alloc();
}

int16_t ListBox::ListCount() const {
    const LRESULT count = hwnd_ == nullptr ? 0 : SendMessageW(hwnd_, LB_GETCOUNT, 0, 0);
    if (count > kMaxListCount) ThrowListLimit();
    return static_cast<int16_t>(count < 0 ? 0 : count);
}

std::wstring ListBox::List(int16_t index) const {
    const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return copied == LB_ERR ? std::wstring() : std::wstring(buffer.data(), static_cast<size_t>(copied));
}

bool ListBox::Selected(int16_t index) const noexcept {
    return SendMessageW(hwnd_, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void ListBox::SetSelected(int16_t index, bool selected) const noexcept {
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    if ((style & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0) {
        SendMessageW(hwnd_, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
    } else {
        SendMessageW(hwnd_, LB_SETCURSEL, selected ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
    }
}

int ListBox::HorizontalExtent() const noexcept {
    return static_cast<int>(SendMessageW(hwnd_, LB_GETHORIZONTALEXTENT, 0, 0));
}

}  // namespace zelmo::ui
