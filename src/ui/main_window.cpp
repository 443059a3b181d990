// The main window's creation, layout and message handling. The handlers are in
// main_window_handlers.cpp.
#include "ui/main_window.h"

#include <stdexcept>

#include "ui/handler_boundary.h"
#include "ui/resources.h"

namespace zelmo::ui {
namespace {

constexpr COLORREF kPanelBackground = RGB(192, 192, 255);
constexpr COLORREF kLoadFace = RGB(255, 192, 192);    // "ファイル読込"
constexpr COLORREF kCancelFace = RGB(255, 128, 255);  // "キャンセル"
constexpr int kFirstId = 100;  // control id = kFirstId + tab index; clear of IDOK and IDCANCEL

// A fixed single border with the control menu and the minimize, maximize and close boxes; dark
// blue option texts on light green.
constexpr FormDesign kDesign = {
    L"ZelmoExcel_Zelmo_2013", kMainWindowCaption,
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN, 7815, 4560,
    CW_USEDEFAULT, CW_USEDEFAULT, RGB(192, 255, 192), RGB(0, 0, 128), ZELMO_IDI_MAIN_WINDOW,
    "the main window could not be created"};

enum class Kind { kOption, kPanel, kList, kButton };

// The controls in tab order: container (-1 the window, else the tab index of the panel),
// position and size in twips inside the container, caption, face colour (0 the system's).
struct ControlDef {
    Kind kind;
    int container;
    int left, top, width, height;
    const wchar_t* caption;
    COLORREF face;
    bool multiSelect;
};

constexpr ControlDef kControls[] = {
    {Kind::kOption, -1, 480, 120, 2655, 375, L"複数のブックをまとめる", 0, false},    // 0 Opt_MnA
    {Kind::kOption, -1, 3360, 120, 2655, 375, L"ファイルを比較", 0, false},           // 1 Opt_MnB
    {Kind::kOption, -1, 480, 480, 2655, 375, L"複数シートをファイル分割", 0, false},  // 2 Opt_MnC
    {Kind::kPanel, -1, 240, 1080, 6015, 3135, L"", 0, false},                           // 3 Pic_Book
    {Kind::kList, 3, 120, 120, 2175, 2760, L"", 0, true},                               // 4 List_Book
    {Kind::kButton, 3, 4440, 240, 1215, 375, L"ファイル読込", kLoadFace, false},        // 5 Cmd_BookFile
    {Kind::kPanel, -1, 240, 1080, 6015, 3135, L"", 0, false},                           // 6 Pic_File
    {Kind::kButton, 6, 4680, 240, 1215, 375, L"ファイル読込", kLoadFace, false},        // 7 Cmd_FileFile
    {Kind::kList, 6, 120, 120, 2175, 2760, L"", 0, false},                              // 8 List_FileA
    {Kind::kList, 6, 2400, 120, 2175, 2760, L"", 0, false},                             // 9 List_FileB
    {Kind::kButton, -1, 6480, 960, 1095, 375, L"実行", 0, false},                       // 10 Cmd_Return
    {Kind::kButton, 3, 4440, 720, 1215, 375, L"キャンセル", kCancelFace, false},        // 11 Cmd_CancelA
    {Kind::kButton, 6, 4680, 840, 1215, 375, L"キャンセル", kCancelFace, false},        // 12 Cmd_CancelB
    {Kind::kButton, -1, 6480, 1680, 1095, 375, L"終了", 0, false},                      // 13 Cmd_End
    {Kind::kPanel, -1, 240, 1080, 6015, 3135, L"", 0, false},                           // 14 Pic_Bun
    {Kind::kButton, 14, 4440, 720, 1215, 375, L"キャンセル", kCancelFace, false},       // 15 Cmd_CancelC
    {Kind::kButton, 14, 4440, 240, 1215, 375, L"ファイル読込", kLoadFace, false},       // 16 Cmd_SheetFile
    {Kind::kList, 14, 120, 120, 2175, 2760, L"", 0, false},                             // 17 List_Seet
};
constexpr int kControlCount = static_cast<int>(sizeof kControls / sizeof kControls[0]);

}  // namespace

std::unique_ptr<Excel_Zelmo_2013>& MainWindowReference() {
    static std::unique_ptr<Excel_Zelmo_2013> reference;
    return reference;
}

Excel_Zelmo_2013::Excel_Zelmo_2013()
    : Form(kDesign),
      defaultFont_(MakeFont(900, false, scale_)),
      optionFont_(MakeFont(975, true, scale_)),
      buttonFont_(MakeFont(975, false, scale_)),
      panelBackground_(CreateSolidBrush(kPanelBackground)) {}

void Excel_Zelmo_2013::CreateControls() {
    Control* controls[kControlCount] = {&Opt_MnA,     &Opt_MnB,     &Opt_MnC,     &Pic_Book,   &List_Book,
                                        &Cmd_BookFile, &Pic_File,   &Cmd_FileFile, &List_FileA, &List_FileB,
                                        &Cmd_Return,  &Cmd_CancelA, &Cmd_CancelB, &Cmd_End,    &Pic_Bun,
                                        &Cmd_CancelC, &Cmd_SheetFile, &List_Seet};
    tabOrder_ = TabOrder{};
    for (int i = 0; i < kControlCount; ++i) {
        const ControlDef& def = kControls[i];
        HWND parent = def.container < 0 ? hwnd_ : controls[def.container]->hWnd();
        const wchar_t* cls = L"BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        DWORD exStyle = 0;
        void* param = nullptr;
        HFONT font = buttonFont_.get();
        switch (def.kind) {
        case Kind::kOption:
            style |= BS_AUTORADIOBUTTON | BS_NOTIFY | (i == 0 ? WS_GROUP : 0);
            font = optionFont_.get();
            break;
        case Kind::kPanel:
            cls = PanelClassName();
            style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_GROUP;
            exStyle = WS_EX_CLIENTEDGE;
            param = panelBackground_.get();
            font = nullptr;
            break;
        case Kind::kList:
            cls = L"LISTBOX";
            style |= WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                     (def.multiSelect ? LBS_EXTENDEDSEL : 0);
            font = defaultFont_.get();
            break;
        case Kind::kButton:
            style |= def.face != 0 ? BS_OWNERDRAW : BS_PUSHBUTTON;
            break;
        }
        HWND child = CreateChild(parent, kFirstId + i, cls, def.caption, style,
                                 {def.left, def.top, def.width, def.height}, font, exStyle, param);
        if (child == nullptr) throw std::runtime_error("a control of the main window could not be created");
        controls[i]->Attach(child);
        tabOrder_.controls.push_back(child);
    }
    tabOrder_.options = {Opt_MnA.hWnd(), Opt_MnB.hWnd(), Opt_MnC.hWnd()};
    // The panels share one rectangle; front to back: Pic_Bun, Pic_File, Pic_Book.
    SetWindowPos(Pic_Bun.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(Pic_File.hWnd(), Pic_Bun.hWnd(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(Pic_Book.hWnd(), Pic_File.hWnd(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Excel_Zelmo_2013::Show() {
    const bool firstShowing = hwnd_ == nullptr;
    if (firstShowing) Load();
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (firstShowing) {
        // The focus lands on the first control that can take it; an option button that gets the
        // focus is selected and raises its click: mode 1.
        HWND first = FirstTabStop(tabOrder_);
        if (first != nullptr) SetFocus(first);
    }
}

void Excel_Zelmo_2013::Run(void (Excel_Zelmo_2013::*handler)()) {
    ui::RunHandler(hwnd_, [this, handler] { (this->*handler)(); });
}

bool Excel_Zelmo_2013::PreTranslate(MSG& msg) { return HandleDialogKey(msg, tabOrder_); }

LRESULT Excel_Zelmo_2013::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const int index = static_cast<int>(item->CtlID) - kFirstId;
        if (item->CtlType == ODT_BUTTON && index >= 0 && index < kControlCount) {
            DrawColouredButton(*item, kControls[index].face, buttonFont_.get());
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        if (lParam != 0) OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_ACTIVATE:
        // Like a dialog: the focus leaves with the window and comes back to the same control.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hwnd_, focus)) focusBeforeDeactivation_ = focus;
        } else if (focusBeforeDeactivation_ != nullptr && IsWindow(focusBeforeDeactivation_) &&
                   IsChild(hwnd_, focusBeforeDeactivation_)) {
            SetFocus(focusBeforeDeactivation_);
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::Handle(message, wParam, lParam);
}

void Excel_Zelmo_2013::OnCommand(int id, int code) {
    const int index = id - kFirstId;
    switch (index) {
    case 0:
    case 1:
    case 2: {
        const OptionButton& option = index == 0 ? Opt_MnA : index == 1 ? Opt_MnB : Opt_MnC;
        if (code == BN_CLICKED || code == BN_SETFOCUS) OnOptionActivated(option);
        return;
    }
    default:
        break;
    }
    if (code != BN_CLICKED) return;
    switch (index) {
    case 5: Run(&Excel_Zelmo_2013::Cmd_BookFile_Click); break;
    case 7: Run(&Excel_Zelmo_2013::Cmd_FileFile_Click); break;
    case 10: Run(&Excel_Zelmo_2013::Cmd_Return_Click); break;
    case 11: Run(&Excel_Zelmo_2013::Cmd_CancelA_Click); break;
    case 12: Run(&Excel_Zelmo_2013::Cmd_CancelB_Click); break;
    case 13: Run(&Excel_Zelmo_2013::Cmd_End_Click); break;
    case 15: Run(&Excel_Zelmo_2013::Cmd_CancelC_Click); break;
    case 16: Run(&Excel_Zelmo_2013::Cmd_SheetFile_Click); break;
    default: break;
    }
}

void Excel_Zelmo_2013::OnOptionActivated(const OptionButton& option) {
    // An option becomes the selected one when it is clicked or gets the focus, and raises its
    // click once, when the selection changes to it.
    if (selectedOption_ == &option) return;
    selectedOption_ = &option;
    for (const OptionButton* o : {&Opt_MnA, &Opt_MnB, &Opt_MnC}) o->SetValue(o == &option);
    if (&option == &Opt_MnA) Run(&Excel_Zelmo_2013::Opt_MnA_Click);
    else if (&option == &Opt_MnB) Run(&Excel_Zelmo_2013::Opt_MnB_Click);
    else Run(&Excel_Zelmo_2013::Opt_MnC_Click);
}

void Excel_Zelmo_2013::OnDestroyed() {
    for (Control* c : std::initializer_list<Control*>{&Opt_MnA, &Opt_MnB, &Opt_MnC, &Pic_Book, &List_Book,
                                                      &Cmd_BookFile, &Pic_File, &Cmd_FileFile, &List_FileA,
                                                      &List_FileB, &Cmd_Return, &Cmd_CancelA, &Cmd_CancelB,
                                                      &Cmd_End, &Pic_Bun, &Cmd_CancelC, &Cmd_SheetFile,
                                                      &List_Seet}) {
        c->Attach(nullptr);
    }
    tabOrder_ = TabOrder{};
    selectedOption_ = nullptr;
    focusBeforeDeactivation_ = nullptr;
}

}  // namespace zelmo::ui
