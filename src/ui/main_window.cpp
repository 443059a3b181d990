// The main window's control table, creation and message handling. The handlers are in
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

// A control member of the window, as the control table names it.
template <auto member>
Control& Member(Excel_Zelmo_2013& window) {
    return window.*member;
}

}  // namespace

const std::vector<Excel_Zelmo_2013::ControlRow>& Excel_Zelmo_2013::Controls() {
    using W = Excel_Zelmo_2013;
    using K = ControlRow::Kind;
    // In tab order: name, member, kind, container, place (left, top, width, height in twips),
    // caption, face colour, click handler.
    static const std::vector<ControlRow> rows = {
        {L"Opt_MnA", Member<&W::Opt_MnA>, K::kOption, nullptr, {480, 120, 2655, 375},
         L"複数のブックをまとめる", 0, &W::Opt_MnA_Click},
        {L"Opt_MnB", Member<&W::Opt_MnB>, K::kOption, nullptr, {3360, 120, 2655, 375},
         L"ファイルを比較", 0, &W::Opt_MnB_Click},
        {L"Opt_MnC", Member<&W::Opt_MnC>, K::kOption, nullptr, {480, 480, 2655, 375},
         L"複数シートをファイル分割", 0, &W::Opt_MnC_Click},
        {L"Pic_Book", Member<&W::Pic_Book>, K::kPanel, nullptr, {240, 1080, 6015, 3135}, L"", 0, nullptr},
        {L"List_Book", Member<&W::List_Book>, K::kExtendedList, &W::Pic_Book, {120, 120, 2175, 2760}, L"", 0,
         nullptr},
        {L"Cmd_BookFile", Member<&W::Cmd_BookFile>, K::kButton, &W::Pic_Book, {4440, 240, 1215, 375},
         L"ファイル読込", kLoadFace, &W::Cmd_BookFile_Click},
        {L"Pic_File", Member<&W::Pic_File>, K::kPanel, nullptr, {240, 1080, 6015, 3135}, L"", 0, nullptr},
        {L"Cmd_FileFile", Member<&W::Cmd_FileFile>, K::kButton, &W::Pic_File, {4680, 240, 1215, 375},
         L"ファイル読込", kLoadFace, &W::Cmd_FileFile_Click},
        {L"List_FileA", Member<&W::List_FileA>, K::kList, &W::Pic_File, {120, 120, 2175, 2760}, L"", 0, nullptr},
        {L"List_FileB", Member<&W::List_FileB>, K::kList, &W::Pic_File, {2400, 120, 2175, 2760}, L"", 0, nullptr},
        {L"Cmd_Return", Member<&W::Cmd_Return>, K::kButton, nullptr, {6480, 960, 1095, 375}, L"実行", 0,
         &W::Cmd_Return_Click},
        {L"Cmd_CancelA", Member<&W::Cmd_CancelA>, K::kButton, &W::Pic_Book, {4440, 720, 1215, 375},
         L"キャンセル", kCancelFace, &W::Cmd_CancelA_Click},
        {L"Cmd_CancelB", Member<&W::Cmd_CancelB>, K::kButton, &W::Pic_File, {4680, 840, 1215, 375},
         L"キャンセル", kCancelFace, &W::Cmd_CancelB_Click},
        {L"Cmd_End", Member<&W::Cmd_End>, K::kButton, nullptr, {6480, 1680, 1095, 375}, L"終了", 0,
         &W::Cmd_End_Click},
        {L"Pic_Bun", Member<&W::Pic_Bun>, K::kPanel, nullptr, {240, 1080, 6015, 3135}, L"", 0, nullptr},
        {L"Cmd_CancelC", Member<&W::Cmd_CancelC>, K::kButton, &W::Pic_Bun, {4440, 720, 1215, 375},
         L"キャンセル", kCancelFace, &W::Cmd_CancelC_Click},
        {L"Cmd_SheetFile", Member<&W::Cmd_SheetFile>, K::kButton, &W::Pic_Bun, {4440, 240, 1215, 375},
         L"ファイル読込", kLoadFace, &W::Cmd_SheetFile_Click},
        {L"List_Seet", Member<&W::List_Seet>, K::kList, &W::Pic_Bun, {120, 120, 2175, 2760}, L"", 0, nullptr},
    };
    return rows;
}

const Excel_Zelmo_2013::ControlRow* Excel_Zelmo_2013::ControlWithId(int id) {
    const std::vector<ControlRow>& rows = Controls();
    const int index = id - kFirstId;
    return index >= 0 && index < static_cast<int>(rows.size()) ? &rows[static_cast<size_t>(index)] : nullptr;
}

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
    tabOrder_ = TabOrder{};
    const std::vector<ControlRow>& rows = Controls();
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlRow& row = rows[i];
        HWND parent = row.container == nullptr ? hwnd_ : (this->*row.container).hWnd();
        const wchar_t* cls = L"BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        DWORD exStyle = 0;
        void* param = nullptr;
        HFONT font = buttonFont_.get();
        switch (row.kind) {
        case ControlRow::Kind::kOption:
            // The options make one group, which the first of them starts.
            style |= BS_AUTORADIOBUTTON | BS_NOTIFY | (tabOrder_.options.empty() ? WS_GROUP : 0);
            font = optionFont_.get();
            break;
        case ControlRow::Kind::kPanel:
            cls = PanelClassName();
            style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_GROUP;
            exStyle = WS_EX_CLIENTEDGE;
            param = panelBackground_.get();
            font = nullptr;
            break;
        case ControlRow::Kind::kList:
        case ControlRow::Kind::kExtendedList:
            cls = L"LISTBOX";
            style |= WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                     (row.kind == ControlRow::Kind::kExtendedList ? LBS_EXTENDEDSEL : 0);
            font = defaultFont_.get();
            break;
        case ControlRow::Kind::kButton:
            style |= row.face != 0 ? BS_OWNERDRAW : BS_PUSHBUTTON;
            break;
        }
        HWND child = CreateChild(parent, kFirstId + static_cast<int>(i), cls, row.caption, style, row.place,
                                 font, exStyle, param);
        if (child == nullptr) throw std::runtime_error("a control of the main window could not be created");
        row.control(*this).Attach(child);
        tabOrder_.controls.push_back(child);
        if (row.kind == ControlRow::Kind::kOption) tabOrder_.options.push_back(child);
    }
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
        const ControlRow* row = ControlWithId(static_cast<int>(item->CtlID));
        if (item->CtlType == ODT_BUTTON && row != nullptr) {
            DrawColouredButton(*item, row->face, buttonFont_.get());
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
    const ControlRow* row = ControlWithId(id);
    if (row == nullptr) return;
    if (row->kind == ControlRow::Kind::kOption) {
        if (code == BN_CLICKED || code == BN_SETFOCUS) OnOptionActivated(*row);
    } else if (code == BN_CLICKED && row->click != nullptr) {
        Run(row->click);
    }
}

void Excel_Zelmo_2013::OnOptionActivated(const ControlRow& option) {
    // An option becomes the selected one when it is clicked or gets the focus, and raises its
    // click once, when the selection changes to it.
    if (selectedOption_ == &option) return;
    selectedOption_ = &option;
    for (const ControlRow& row : Controls()) {
        if (row.kind == ControlRow::Kind::kOption) {
            static_cast<OptionButton&>(row.control(*this)).SetValue(&row == &option);
        }
    }
    Run(option.click);
}

void Excel_Zelmo_2013::OnDestroyed() {
    for (const ControlRow& row : Controls()) row.control(*this).Attach(nullptr);
    tabOrder_ = TabOrder{};
    selectedOption_ = nullptr;
    focusBeforeDeactivation_ = nullptr;
}

}  // namespace zelmo::ui
