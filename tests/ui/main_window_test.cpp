// The main window driven with messages: first showing, the designed look, modes, cancel buttons,
// keyboard, closing and reopening, and the run request behind "実行".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ops/errors.h"
#include "test_constants.h"
#include "ui_fixture.h"

namespace zelmo::ui {
namespace {

using Entries_ = std::vector<std::wstring>;

TEST_F(MainWindowTest, FirstShowingSelectsTheMergeMode) {
    EXPECT_EQ(probe().Mode(), 1);
    EXPECT_TRUE(Checked(C(L"Opt_MnA")));
    EXPECT_FALSE(Checked(C(L"Opt_MnC")));
    EXPECT_FALSE(Visible(C(L"Opt_MnB")));  // the compare option is absent
    EXPECT_TRUE(Visible(C(L"Pic_Book")));
    EXPECT_FALSE(Visible(C(L"Pic_Bun")));
    EXPECT_FALSE(Visible(C(L"Pic_File")));
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
    EXPECT_EQ(GetFocus(), C(L"Opt_MnA"));
    wchar_t caption[64] = {};
    GetWindowTextW(window().hWnd(), caption, 64);
    EXPECT_STREQ(caption, test::kMainWindowCaption);
}

struct Geometry {
    const wchar_t* name;
    int left, top, width, height;  // twips, in the container
    const wchar_t* caption;
};

TEST_F(MainWindowTest, ControlsSitWhereTheDesignPutsThem) {
    const Geometry expected[] = {
        {L"Opt_MnA", 480, 120, 2655, 375, L"複数のブックをまとめる"},
        {L"Opt_MnB", 3360, 120, 2655, 375, L"ファイルを比較"},
        {L"Opt_MnC", 480, 480, 2655, 375, L"複数シートをファイル分割"},
        {L"Pic_Book", 240, 1080, 6015, 3135, L""},
        {L"List_Book", 120, 120, 2175, 2760, L""},
        {L"Cmd_BookFile", 4440, 240, 1215, 375, L"ファイル読込"},
        {L"Pic_File", 240, 1080, 6015, 3135, L""},
        {L"Cmd_FileFile", 4680, 240, 1215, 375, L"ファイル読込"},
        {L"List_FileA", 120, 120, 2175, 2760, L""},
        {L"List_FileB", 2400, 120, 2175, 2760, L""},
        {L"Cmd_Return", 6480, 960, 1095, 375, L"実行"},
        {L"Cmd_CancelA", 4440, 720, 1215, 375, L"キャンセル"},
        {L"Cmd_CancelB", 4680, 840, 1215, 375, L"キャンセル"},
        {L"Cmd_End", 6480, 1680, 1095, 375, L"終了"},
        {L"Pic_Bun", 240, 1080, 6015, 3135, L""},
        {L"Cmd_CancelC", 4440, 720, 1215, 375, L"キャンセル"},
        {L"Cmd_SheetFile", 4440, 240, 1215, 375, L"ファイル読込"},
        {L"List_Seet", 120, 120, 2175, 2760, L""},
    };
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };

    RECT client;
    GetClientRect(window().hWnd(), &client);
    EXPECT_EQ(client.right, px(7815));
    EXPECT_EQ(client.bottom, px(4560));
    const LONG_PTR style = GetWindowLongPtrW(window().hWnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);

    for (const Geometry& g : expected) {
        SCOPED_TRACE(testing::Message() << "control at " << g.left << "," << g.top << " twips");
        HWND hwnd = C(g.name);
        ASSERT_NE(hwnd, nullptr);
        const RECT rc = RectInParent(hwnd);
        EXPECT_EQ(rc.left, px(g.left));
        EXPECT_EQ(rc.top, px(g.top));
        EXPECT_EQ(rc.right - rc.left, px(g.width));
        EXPECT_EQ(rc.bottom - rc.top, px(g.height));
        wchar_t text[64] = {};
        GetWindowTextW(hwnd, text, 64);
        EXPECT_STREQ(text, g.caption);
    }
    // Containers.
    for (const wchar_t* name : {L"List_Book", L"Cmd_BookFile", L"Cmd_CancelA"}) EXPECT_EQ(GetParent(C(name)), C(L"Pic_Book"));
    for (const wchar_t* name : {L"List_Seet", L"Cmd_SheetFile", L"Cmd_CancelC"}) EXPECT_EQ(GetParent(C(name)), C(L"Pic_Bun"));
    for (const wchar_t* name : {L"List_FileA", L"List_FileB", L"Cmd_FileFile", L"Cmd_CancelB"}) {
        EXPECT_EQ(GetParent(C(name)), C(L"Pic_File"));
    }
    // The panels' order from front to back: Pic_Bun, Pic_File, Pic_Book.
    std::vector<HWND> panels;
    for (HWND w = GetWindow(window().hWnd(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == C(L"Pic_Bun") || w == C(L"Pic_File") || w == C(L"Pic_Book")) panels.push_back(w);
    }
    EXPECT_EQ(panels, (std::vector<HWND>{C(L"Pic_Bun"), C(L"Pic_File"), C(L"Pic_Book")}));
    // Selection styles of the lists.
    EXPECT_NE(GetWindowLongPtrW(C(L"List_Book"), GWL_STYLE) & LBS_EXTENDEDSEL, 0);
    EXPECT_EQ(GetWindowLongPtrW(C(L"List_Seet"), GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL), 0);
    EXPECT_EQ(GetWindowLongPtrW(C(L"List_Book"), GWL_STYLE) & LBS_SORT, 0);
}

TEST_F(MainWindowTest, ColoursAndFontsFollowTheDesign) {
    // Background of the window, of the panels and the faces of the coloured buttons.
    EXPECT_EQ(PixelAt(window().hWnd(), 4, 4), RGB(192, 255, 192));
    EXPECT_EQ(PixelAt(C(L"Pic_Book"), 200, 150), RGB(192, 192, 255));
    EXPECT_EQ(PixelAt(C(L"Cmd_BookFile"), 6, 6), RGB(255, 192, 192));
    EXPECT_EQ(PixelAt(C(L"Cmd_CancelA"), 6, 6), RGB(255, 128, 255));
    Click(C(L"Opt_MnC"));
    EXPECT_EQ(PixelAt(C(L"Pic_Bun"), 200, 150), RGB(192, 192, 255));
    EXPECT_EQ(PixelAt(C(L"Cmd_SheetFile"), 6, 6), RGB(255, 192, 192));
    EXPECT_EQ(PixelAt(C(L"Cmd_CancelC"), 6, 6), RGB(255, 128, 255));

    // The option buttons' text colour and background, as the window hands them out.
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(window().hWnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(C(L"Opt_MnA")));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 128));
    EXPECT_EQ(GetBkColor(dc), RGB(192, 255, 192));
    DeleteDC(dc);

    struct FontCase {
        const wchar_t* control;
        LONG weight;
    };
    for (const FontCase& f : {FontCase{L"Opt_MnA", FW_BOLD}, FontCase{L"Opt_MnC", FW_BOLD},
                              FontCase{L"Cmd_Return", FW_NORMAL}, FontCase{L"Cmd_SheetFile", FW_NORMAL}}) {
        LOGFONTW lf{};
        auto font = reinterpret_cast<HFONT>(SendMessageW(C(f.control), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        GetObjectW(font, sizeof lf, &lf);
        EXPECT_STREQ(lf.lfFaceName, L"ＭＳ Ｐゴシック");
        EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
        EXPECT_EQ(lf.lfWeight, f.weight);
        EXPECT_EQ(lf.lfHeight, -13);  // 9.75 pt at 96 DPI
    }
    EXPECT_NE(SendMessageW(window().hWnd(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(window().hWnd(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainWindowTest, NotificationsFromIdsOutsideTheControlTableChangeNothing) {
    // The ids run in tab order from the first option to the last list.
    const int first = GetDlgCtrlID(C(L"Opt_MnA"));
    const int last = GetDlgCtrlID(C(L"List_Seet"));
    Add(C(L"List_Book"), L"a.xlsx");
    for (const int id : {first - 1, last + 1}) {
        SendMessageW(window().hWnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(C(L"Cmd_End")));
        SendMessageW(window().hWnd(), WM_COMMAND, MAKEWPARAM(id, BN_SETFOCUS), reinterpret_cast<LPARAM>(C(L"Opt_MnC")));
        Pump();
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(id);
        EXPECT_EQ(SendMessageW(window().hWnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), FALSE) << id;
    }
    EXPECT_EQ(probe().Mode(), 1);
    EXPECT_TRUE(Checked(C(L"Opt_MnA")));
    EXPECT_EQ(Entries(C(L"List_Book")), Entries_{L"a.xlsx"});
    EXPECT_TRUE(IsWindow(window().hWnd()));
}

TEST_F(MainWindowTest, ModesSwitchPanelsAndEmptyOnlyTheirOwnList) {
    Add(C(L"List_Book"), L"a.xlsx");
    Add(C(L"List_Seet"), L"s.xlsx");
    Click(C(L"Opt_MnC"));
    EXPECT_EQ(probe().Mode(), 2);
    EXPECT_TRUE(Visible(C(L"Pic_Book")));
    EXPECT_TRUE(Visible(C(L"Pic_Bun")));
    EXPECT_FALSE(Visible(C(L"Pic_File")));
    EXPECT_TRUE(Entries(C(L"List_Seet")).empty());
    EXPECT_EQ(Entries(C(L"List_Book")), Entries_{L"a.xlsx"});  // kept while covered
    EXPECT_FALSE(Checked(C(L"Opt_MnA")));

    Add(C(L"List_Seet"), L"t.xlsx");
    Click(C(L"Opt_MnA"));
    EXPECT_EQ(probe().Mode(), 1);
    EXPECT_TRUE(Visible(C(L"Pic_Book")));
    EXPECT_FALSE(Visible(C(L"Pic_Bun")));
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
    EXPECT_EQ(Entries(C(L"List_Seet")), Entries_{L"t.xlsx"});  // kept while hidden
}

TEST_F(MainWindowTest, CancelButtonsEmptyOnlyTheirOwnListAndKeepTheFields) {
    probe().SetFields(2, L"a.xlsx|b.xlsx");
    Add(C(L"List_Book"), L"a.xlsx");
    Add(C(L"List_Seet"), L"s.xlsx");
    Click(C(L"Cmd_CancelA"));
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
    EXPECT_EQ(Entries(C(L"List_Seet")), Entries_{L"s.xlsx"});

    Click(C(L"Opt_MnC"));
    Add(C(L"List_Seet"), L"s.xlsx");
    Add(C(L"List_Book"), L"a.xlsx");
    Click(C(L"Cmd_CancelC"));
    EXPECT_TRUE(Entries(C(L"List_Seet")).empty());
    EXPECT_EQ(Entries(C(L"List_Book")), Entries_{L"a.xlsx"});

    // The compare panel's buttons do nothing.
    Add(C(L"List_Seet"), L"s.xlsx");
    Notify(C(L"Cmd_FileFile"));
    Notify(C(L"Cmd_CancelB"));
    EXPECT_EQ(Entries(C(L"List_Seet")), Entries_{L"s.xlsx"});
    EXPECT_EQ(Entries(C(L"List_Book")), Entries_{L"a.xlsx"});
    EXPECT_EQ(probe().Mode(), 2);

    EXPECT_EQ(probe().FileCount(), 2);
    EXPECT_EQ(probe().FileList(), L"a.xlsx|b.xlsx");
    EXPECT_TRUE(probe().FolderFullPath().empty());
}

TEST_F(MainWindowTest, FocusSelectsOptionsAndTabFollowsTheDesignedOrder) {
    // An option that gets the focus becomes the selected one and switches the mode.
    SetFocus(C(L"Opt_MnC"));
    Pump();
    EXPECT_EQ(probe().Mode(), 2);
    EXPECT_TRUE(Checked(C(L"Opt_MnC")));

    // Arrow keys move between the visible options; the focus selects.
    PressKey(VK_UP);
    EXPECT_EQ(GetFocus(), C(L"Opt_MnA"));
    EXPECT_EQ(probe().Mode(), 1);
    PressKey(VK_DOWN);
    EXPECT_EQ(GetFocus(), C(L"Opt_MnC"));
    EXPECT_EQ(probe().Mode(), 2);

    // Mode 2: the covered merge panel's controls are still stops, in the designed order.
    const std::vector<std::wstring> mode2 = {L"Pic_Book",    L"List_Book",   L"Cmd_BookFile",  L"Cmd_Return",
                                             L"Cmd_CancelA", L"Cmd_End",     L"Pic_Bun",       L"Cmd_CancelC",
                                             L"Cmd_SheetFile", L"List_Seet", L"Opt_MnC"};
    for (size_t i = 0; i < mode2.size(); ++i) {
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), C(mode2[i])) << "mode 2, tab stop " << i;
    }
    PressKey(VK_TAB, /*shift=*/true);
    EXPECT_EQ(GetFocus(), C(L"List_Seet"));

    Click(C(L"Opt_MnA"));
    SetFocus(C(L"Opt_MnA"));
    const std::vector<std::wstring> mode1 = {L"Pic_Book", L"List_Book", L"Cmd_BookFile", L"Cmd_Return",
                                             L"Cmd_CancelA", L"Cmd_End", L"Opt_MnA"};
    for (size_t i = 0; i < mode1.size(); ++i) {
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), C(mode1[i])) << "mode 1, tab stop " << i;
    }
    EXPECT_EQ(probe().Mode(), 1);
}

TEST_F(MainWindowTest, ClosingKeepsTheFieldsAndReopeningStartsInModeOneWithEmptyLists) {
    Click(C(L"Opt_MnC"));
    Add(C(L"List_Seet"), L"s.xlsx");
    probe().SetFields(1, L"s.xlsx");
    SendMessageW(window().hWnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(window().IsLoaded());
    EXPECT_EQ(FindWindowW(nullptr, test::kMainWindowCaption), nullptr);
    EXPECT_EQ(lastWindowClosed_, 1);  // it was the only window of this test

    window().Show();
    Pump();
    EXPECT_EQ(probe().Mode(), 1);
    EXPECT_TRUE(Checked(C(L"Opt_MnA")));
    EXPECT_FALSE(Visible(C(L"Opt_MnB")));
    EXPECT_TRUE(Entries(C(L"List_Seet")).empty());
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
    EXPECT_EQ(probe().FileCount(), 1);
    EXPECT_EQ(probe().FileList(), L"s.xlsx");
}

// Starts no Excel: every start fails with a reason of its own, and counts the attempts.
class RefusingExcel : public ops::ExcelFactory {
public:
    explicit RefusingExcel(int& starts) : starts_(starts) {}
    std::unique_ptr<ops::ExcelApplication> CreateExcel() override {
        ++starts_;
        throw ops::ExcelError(static_cast<int32_t>(0x80080005), u"test", u"テスト用に起動を断りました。");
    }

private:
    int& starts_;
};

TEST_F(MainWindowTest, ExecuteGathersTheSelectionAndStartsTheModesOperation) {
    int starts = 0;
    window().SetExcelFactory([&starts] { return std::make_unique<RefusingExcel>(starts); });
    for (const wchar_t* name : {L"a.xlsx", L"b.xlsx", L"c.xlsx", L"d.xlsx"}) Add(C(L"List_Book"), name);
    for (int i : {0, 2, 3}) SendMessageW(C(L"List_Book"), LB_SETSEL, TRUE, i);

    std::wstring message;
    WithModalDriver([&](ModalDriver& d) { message = d.DismissMessage(); }, [&] { Click(C(L"Cmd_Return")); });
    EXPECT_EQ(probe().FileList(), L"a.xlsx|c.xlsx|d.xlsx");
    EXPECT_EQ(probe().FileCount(), 3);
    EXPECT_EQ(starts, 1);
    EXPECT_NE(message.find(L"新ExcelFile.xlsx"), std::wstring::npos) << "merge's message";
    EXPECT_NE(message.find(L"テスト用に起動を断りました。"), std::wstring::npos);
    EXPECT_EQ(SelectedIndices(C(L"List_Book")), (std::vector<int>{0, 2, 3}));  // the selection stays

    Click(C(L"Opt_MnC"));
    for (const wchar_t* name : {L"x.xlsx", L"y.xlsx"}) Add(C(L"List_Seet"), name);
    SendMessageW(C(L"List_Seet"), LB_SETCURSEL, 1, 0);
    WithModalDriver([&](ModalDriver& d) { message = d.DismissMessage(); }, [&] { Click(C(L"Cmd_Return")); });
    EXPECT_EQ(probe().FileList(), L"y.xlsx");
    EXPECT_EQ(probe().FileCount(), 1);
    EXPECT_EQ(starts, 2);
    EXPECT_NE(message.find(L"分割"), std::wstring::npos) << "split's message";
}

// What the user saw while Excel was being started: the cursor, and the windows' answer when the
// system asks them for one (over the window and over a control of it). Owned by the test: the
// factory that records it is gone when the operation ends.
struct CursorSeen {
    int factories = 0;
    bool waitShown = false;
    int answered = 0;
};

class CursorWatchingExcel : public ops::ExcelFactory {
public:
    CursorWatchingExcel(CursorSeen& seen, HWND window, HWND control)
        : seen_(seen), window_(window), control_(control) {}
    std::unique_ptr<ops::ExcelApplication> CreateExcel() override {
        const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
        seen_.waitShown = GetCursor() == wait;
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // as if the mouse had moved on
        for (HWND over : {window_, control_}) {
            const LRESULT handled =
                SendMessageW(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            seen_.answered += handled == TRUE && GetCursor() == wait ? 1 : 0;
        }
        throw ops::ExcelError(static_cast<int32_t>(0x80080005), u"test", u"テスト用に起動を断りました。");
    }

private:
    CursorSeen& seen_;
    HWND window_;
    HWND control_;
};

TEST_F(MainWindowTest, TheWaitCursorShowsFromExecuteUntilTheClosingMessage) {
    CursorSeen seen;
    window().SetExcelFactory([&] {
        ++seen.factories;
        return std::make_unique<CursorWatchingExcel>(seen, window().hWnd(), C(L"List_Book"));
    });
    Add(C(L"List_Book"), L"a.xlsx");
    SendMessageW(C(L"List_Book"), LB_SETSEL, TRUE, 0);
    bool waitDuringMessage = true;
    WithModalDriver(
        [&](ModalDriver& d) {
            const ULONGLONG until = GetTickCount64() + 10000;
            while (FindWindowW(L"#32770", test::kMessageCaption) == nullptr && GetTickCount64() < until) Sleep(20);
            waitDuringMessage = program::WaitCursorShown();
            d.DismissMessage();
        },
        [&] { Click(C(L"Cmd_Return")); });
    EXPECT_FALSE(waitDuringMessage) << "the wait cursor was still on over the closing message";
    ASSERT_EQ(seen.factories, 1);
    EXPECT_TRUE(seen.waitShown) << "no wait cursor after the click";
    EXPECT_EQ(seen.answered, 2) << "WM_SETCURSOR did not keep the wait cursor";
    EXPECT_FALSE(program::WaitCursorShown());
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(MainWindowTest, ByteWidthMethodsDelegateToTheTextHelpers) {
    EXPECT_EQ(window().LenByte(L""), 0);
    EXPECT_EQ(window().LenByte(L"abc漢字"), 7);
    EXPECT_EQ(window().LenByte(L"ｱ"), 1);
    EXPECT_EQ(window().MidByte(L"abc漢字語", 5, 2), L"字");
    EXPECT_EQ(window().MidByte(L"abc漢字語", 3, 100), L"c漢字語");
    EXPECT_EQ(window().MidByte(L"abc", 0, 1), L"");
}

}  // namespace
}  // namespace zelmo::ui
