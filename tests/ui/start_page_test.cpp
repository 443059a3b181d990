// The start page: its look and place, "スタート" (one main window for the run, reopening after a
// close), the program ending with its last window, and "終了" ending the program at once.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "app/start_page.h"
#include "test_constants.h"
#include "ui_fixture.h"

namespace zelmo::app {

class StartPageProbe {
public:
    explicit StartPageProbe(Frm_St& page) : page_(page) {}
    HWND Lbl_1() const { return page_.Lbl_1.hWnd(); }
    HWND Cmd_St() const { return page_.Cmd_St.hWnd(); }

private:
    Frm_St& page_;
};

namespace {

using ui::MainWindowReference;
using ui::Pump;

class StartPageTest : public testing::Test {
protected:
    void SetUp() override {
        ui::program::SetLastWindowClosedAction([this] { ++lastWindowClosed_; });
        MainWindowReference().reset();
        page_ = std::make_unique<Frm_St>();
        page_->Show();
        Pump();
    }
    void TearDown() override {
        page_.reset();
        MainWindowReference().reset();
        Pump();
    }
    StartPageProbe probe() { return StartPageProbe(*page_); }
    void Start() {
        SendMessageW(probe().Cmd_St(), BM_CLICK, 0, 0);
        Pump();
    }
    static void Close(HWND hwnd) {
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        Pump();
    }

    win::CoInitScope com_;
    std::unique_ptr<Frm_St> page_;
    int lastWindowClosed_ = 0;
};

int CountWindows(const wchar_t* caption) {
    struct Count {
        const wchar_t* caption;
        int n;
    } count{caption, 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* c = reinterpret_cast<Count*>(param);
            wchar_t text[64] = {};
            GetWindowTextW(hwnd, text, 64);
            if (lstrcmpW(text, c->caption) == 0) ++c->n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

TEST_F(StartPageTest, LooksAsDesignedAtItsFixedPlace) {
    HWND hwnd = page_->hWnd();
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    EXPECT_STREQ(text, test::kStartPageCaption);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 312);
    EXPECT_EQ(client.bottom, 213);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    EXPECT_EQ(origin.x, 401);
    EXPECT_EQ(origin.y, 355);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);

    // The label and the button: their place in the client area (left, top, width, height) and text.
    struct Placed {
        HWND control;
        std::array<LONG, 4> place;
        const wchar_t* text;
    };
    for (const Placed& c : {Placed{probe().Lbl_1(), {16, 16, 273, 105}, L"このソフトは、エクセルのファイルの支援ソフトです。"},
                            Placed{probe().Cmd_St(), {208, 136, 89, 33}, L"スタート"}}) {
        const RECT rc = ui::RectInParent(c.control);
        EXPECT_EQ((std::array<LONG, 4>{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top}), c.place);
        GetWindowTextW(c.control, text, 64);
        EXPECT_STREQ(text, c.text);
    }
    EXPECT_EQ(GetFocus(), probe().Cmd_St());

    EXPECT_EQ(ui::PixelAt(hwnd, 300, 200), RGB(0, 128, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(probe().Lbl_1()));
    EXPECT_EQ(GetTextColor(dc), RGB(192, 192, 192));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 128, 0));
    DeleteDC(dc);
    EXPECT_NE(GetWindowLongPtrW(probe().Lbl_1(), GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_NE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(StartPageTest, StartTwiceLeavesOneMainWindowBesideTheStartPage) {
    Start();
    ui::Excel_Zelmo_2013* first = MainWindowReference().get();
    ASSERT_NE(first, nullptr);
    Start();
    EXPECT_EQ(MainWindowReference().get(), first);
    EXPECT_EQ(CountWindows(test::kMainWindowCaption), 1);
    EXPECT_TRUE(IsWindowVisible(page_->hWnd()));  // the start page stays open
    EXPECT_EQ(GetWindow(first->hWnd(), GW_OWNER), nullptr);  // modeless, no owner
    EXPECT_TRUE(IsWindowEnabled(page_->hWnd()));
}

TEST_F(StartPageTest, StartReopensAClosedMainWindowInModeOne) {
    Start();
    ui::Excel_Zelmo_2013* first = MainWindowReference().get();
    ui::MainWindowProbe main(*first);
    SendMessageW(main.Control(L"Opt_MnC"), BM_CLICK, 0, 0);
    SendMessageW(main.Control(L"List_Seet"), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"a.xlsx"));
    main.SetFields(1, L"a.xlsx");
    Close(first->hWnd());
    EXPECT_FALSE(first->IsLoaded());
    EXPECT_EQ(lastWindowClosed_, 0);  // the start page is still open

    Start();
    EXPECT_EQ(MainWindowReference().get(), first);
    EXPECT_TRUE(first->IsLoaded());
    EXPECT_EQ(main.Mode(), 1);
    EXPECT_EQ(SendMessageW(main.Control(L"List_Seet"), LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(main.FileList(), L"a.xlsx");
    EXPECT_EQ(main.FileCount(), 1);
}

TEST_F(StartPageTest, TheProgramEndsWithItsLastWindowWhicheverClosesFirst) {
    for (bool startPageFirst : {true, false}) {
        SCOPED_TRACE(startPageFirst ? "start page closed first" : "main window closed first");
        if (!page_->hWnd()) page_->Show();
        lastWindowClosed_ = 0;
        Start();
        HWND main = MainWindowReference()->hWnd();
        Close(startPageFirst ? page_->hWnd() : main);
        EXPECT_EQ(lastWindowClosed_, 0);
        Close(startPageFirst ? main : page_->hWnd());
        EXPECT_EQ(lastWindowClosed_, 1);
    }
}

// "終了" ends the process at once, so it runs in a child process of its own.
TEST(EndTest, EndStopsTheProgramAtOnceWithOrWithoutTheStartPage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (bool closeStartPageFirst : {false, true}) {
        EXPECT_EXIT(
            {
                Frm_St page;
                page.Show();
                SendMessageW(StartPageProbe(page).Cmd_St(), BM_CLICK, 0, 0);
                if (closeStartPageFirst) SendMessageW(page.hWnd(), WM_CLOSE, 0, 0);
                ui::MainWindowProbe main(*MainWindowReference());
                SendMessageW(main.Control(L"Cmd_End"), BM_CLICK, 0, 0);
                std::fprintf(stderr, "still running after 終了\n");
                std::exit(3);
            },
            testing::ExitedWithCode(0), "");
    }
}

}  // namespace
}  // namespace zelmo::app
