// The whole road through the real windows and the stand-in spreadsheet server: the start page's
// "スタート", "ファイル読込" with the real folder dialog, a selection, and "実行" merging, then
// splitting, with the operations' closing messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/start_page.h"
#include "scratch_folder.h"
#include "test_constants.h"
#include "ui_fixture.h"

namespace zelmo::ui {
namespace {

std::wstring WindowsPath(const char* linuxPath) {
    std::wstring out = L"Z:";
    for (const char* p = linuxPath; *p != '\0'; ++p) out += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return out;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(EndToEndTest, StartListMergeAndSplitThroughTheWindows) {
    win::CoInitScope com;
    program::SetLastWindowClosedAction([] {});
    test::ScratchFolder folder(L"e2e");
    const std::wstring data = WindowsPath(ZELMO_TEST_XLSX_DIR);
    for (const wchar_t* name : {L"table01.xlsx", L"tab_color01.xlsx"}) {
        ASSERT_TRUE(CopyFileW((data + L"\\" + name).c_str(), (folder.path() + L"\\" + name).c_str(), FALSE));
    }

    app::Frm_St page;
    page.Show();
    HWND start = FindWindowExW(page.hWnd(), nullptr, L"Button", L"スタート");
    ASSERT_NE(start, nullptr);
    SendMessageW(start, BM_CLICK, 0, 0);
    Pump();
    ASSERT_TRUE(MainWindowReference());
    MainWindowProbe main(*MainWindowReference());

    // Merge both workbooks.
    bool picked = false;
    WithModalDriver([&](ModalDriver& d) { picked = d.PickFolder(folder.path()); },
                    [&] { SendMessageW(main.Control(L"Cmd_BookFile"), BM_CLICK, 0, 0); });
    ASSERT_TRUE(picked);
    SendMessageW(main.Control(L"List_Book"), LB_SETSEL, TRUE, -1);
    std::wstring message;
    WithModalDriver([&](ModalDriver& d) { message = d.DismissMessage(); },
                    [&] { SendMessageW(main.Control(L"Cmd_Return"), BM_CLICK, 0, 0); }, 60000);
    EXPECT_EQ(message, L"新ExcelFile.xlsxでコピーしました");
    EXPECT_EQ(main.FileCount(), 2);
    EXPECT_TRUE(Exists(folder / test::kMergedBook));

    // Split the first workbook of the split list.
    SendMessageW(main.Control(L"Opt_MnC"), BM_CLICK, 0, 0);
    WithModalDriver([&](ModalDriver& d) { picked = d.PickFolder(folder.path()); },
                    [&] { SendMessageW(main.Control(L"Cmd_SheetFile"), BM_CLICK, 0, 0); });
    ASSERT_TRUE(picked);
    const std::wstring first = main.List(L"List_Seet").List(0);
    WithModalDriver([&](ModalDriver& d) { message = d.DismissMessage(); },
                    [&] { SendMessageW(main.Control(L"Cmd_Return"), BM_CLICK, 0, 0); }, 60000);
    EXPECT_EQ(message, first + L"分割しました");
    EXPECT_EQ(main.FileList(), first);
    EXPECT_TRUE(Exists(folder.path() + L"\\新" + first.substr(0, first.size() - 4) + L"1.xlsx"));

    MainWindowReference().reset();
}

}  // namespace
}  // namespace zelmo::ui
