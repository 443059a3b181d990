// The main window `Excel_Zelmo_2013`: three option buttons choose the mode, three panels stacked
// on one spot hold each mode's list and buttons, "実行" runs the chosen operation and "終了" ends
// the program. The instance lives for the whole run and owns the state between events (the
// fields below); closing the window destroys its controls but keeps the instance and its fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ops/excel.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/keyboard.h"
#include "ui/look.h"
#include "win/handles.h"

namespace zelmo::ui {

inline constexpr wchar_t kMainWindowCaption[] = L"Excelゼルモ_2013 Ver0";

class Excel_Zelmo_2013 : public Form {
public:
    Excel_Zelmo_2013();

    // Loads the window if it is not loaded (controls, then `Form_Load`) and shows it modeless,
    // without an owner. The first showing puts the focus on the first option button, which
    // selects it: mode 1. Showing a window that is open brings it to the front.
    void Show();

    // Byte width of text in the system's ANSI code page, and the piece of text at a byte
    // position (see text/byte_width.h).
    int16_t LenByte(const std::wstring& s) const;
    std::wstring MidByte(const std::wstring& s, double st, double l) const;

    // Where "実行" gets its Excel instances from. By default, a new instance of Excel.Application
    // through COM automation (ops/com_excel.h) for each operation.
    using ExcelFactoryMaker = std::function<std::unique_ptr<ops::ExcelFactory>()>;
    void SetExcelFactory(ExcelFactoryMaker maker) { excelFactory_ = std::move(maker); }

    bool PreTranslate(MSG& msg) override;

private:
    friend class MainWindowProbe;  // the tests' view of the fields and controls

    // One row of the control table (Controls()): a control of the window with its member, look,
    // place and click handler. Creation, command dispatch and the tests' probe all read the
    // table. A row's place in the table is the control's tab index and gives its id.
    struct ControlRow {
        enum class Kind { kOption, kPanel, kList, kExtendedList, kButton };
        const wchar_t* name;                     // the member's name
        Control& (*control)(Excel_Zelmo_2013&);  // the member
        Kind kind;
        Panel Excel_Zelmo_2013::*container;      // the panel it sits in; nullptr: the window
        TwipRect place;                          // inside the container
        const wchar_t* caption;
        COLORREF face;                           // a button's own face colour; 0: the system's
        void (Excel_Zelmo_2013::*click)();       // what a click runs; nullptr: nothing
    };
    static const std::vector<ControlRow>& Controls();
    // The row of the control with this id; nullptr for any other id.
    static const ControlRow* ControlWithId(int id);

    // Event handlers, named after their control and event.
    void Form_Load() override;
    void Opt_MnA_Click();
    void Opt_MnB_Click();
    void Opt_MnC_Click();
    void Cmd_BookFile_Click();
    void Cmd_SheetFile_Click();
    void Cmd_FileFile_Click() {}
    void Cmd_CancelA_Click();
    void Cmd_CancelB_Click() {}
    void Cmd_CancelC_Click();
    void Cmd_Return_Click();
    void Cmd_End_Click();

    // Private operations.
    // Shows the given panels and hides the others, in the order Pic_Book, Pic_Bun, Pic_File.
    void ShowPanels(std::initializer_list<const Panel*> shown);
    std::wstring BrowseFolder(HWND owner);
    void ListBookFiles();
    void MergeBooks();
    void SplitSheets();

    // Window plumbing.
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls() override;
    void OnCommand(int id, int code);
    void OnOptionActivated(const ControlRow& option);
    void OnDestroyed() override;
    // Every handler runs through here: an error leaving it is shown to the user (handler_boundary.h).
    void Run(void (Excel_Zelmo_2013::*handler)());

    // Fields: the state of a run, kept from the creation of the instance to the end of the
    // program (also while the window is closed).
    int16_t Mode = 0;       // 0 none, 1 merge, 2 split, 3 compare
    int16_t FileCount = 0;  // selected entries of the last run request
    std::wstring FolderPath;      // the folder the picker returned; empty after a cancel
    std::wstring FolderFullPath;  // its absolute path, the folder the operations work in
    std::wstring FileList;        // the selected names joined with "|"

    // Controls, in tab order.
    OptionButton Opt_MnA, Opt_MnB, Opt_MnC;
    Panel Pic_Book;
    ListBox List_Book;
    Button Cmd_BookFile;
    Panel Pic_File;
    Button Cmd_FileFile;
    ListBox List_FileA, List_FileB;
    Button Cmd_Return, Cmd_CancelA, Cmd_CancelB, Cmd_End;
    Panel Pic_Bun;
    Button Cmd_CancelC, Cmd_SheetFile;
    ListBox List_Seet;

    HWND focusBeforeDeactivation_ = nullptr;
    const ControlRow* selectedOption_ = nullptr;  // the option whose click was raised last
    TabOrder tabOrder_;
    win::UniqueFont defaultFont_;  // the window's font: lists, and the measure of list entries
    win::UniqueFont optionFont_;
    win::UniqueFont buttonFont_;
    win::UniqueBrush panelBackground_;
    ExcelFactoryMaker excelFactory_;
};

// The one global reference to the main window: empty until the start page's "スタート" creates
// the instance, which it then holds for the rest of the run.
std::unique_ptr<Excel_Zelmo_2013>& MainWindowReference();

}  // namespace zelmo::ui
