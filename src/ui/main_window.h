// The main window of the program, where the user chooses the operation and the workbooks.
#pragma once

#include <windows.h>

namespace zelmo::ui {

inline constexpr wchar_t kMainWindowCaption[] = L"Excelゼルモ_2013 Ver0";

class Excel_Zelmo_2013 {
public:
    Excel_Zelmo_2013() = default;
    Excel_Zelmo_2013(const Excel_Zelmo_2013&) = delete;
    Excel_Zelmo_2013& operator=(const Excel_Zelmo_2013&) = delete;

    // Creates the window if it is not open and shows it.
    void Show(HINSTANCE instance);
    HWND hWnd() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

}  // namespace zelmo::ui
