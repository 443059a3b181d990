// "ファイル読込" through the real folder dialog: which files are listed, the selection and the
// horizontal extent, cancels in either mode, names outside code page 932, and a folder that
// vanished before it could be read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "errors/step_error.h"
#include "files/book_listing.h"
#include "scratch_folder.h"
#include "ui_fixture.h"

namespace zelmo::ui {
namespace {

using Names = std::vector<std::wstring>;
using test::ScratchFolder;

Names Sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

// Records every LB_SETHORIZONTALEXTENT a list box receives.
class ExtentRecorder {
public:
    explicit ExtentRecorder(HWND list) : list_(list) {
        Recorders()[list] = this;
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ExtentRecorder::Proc)));
    }
    ~ExtentRecorder() {
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        Recorders().erase(list_);
    }
    std::vector<int> sent;

private:
    static std::map<HWND, ExtentRecorder*>& Recorders() {
        static std::map<HWND, ExtentRecorder*> recorders;
        return recorders;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        ExtentRecorder* self = Recorders()[hwnd];
        if (message == LB_SETHORIZONTALEXTENT) self->sent.push_back(static_cast<int>(wParam));
        return CallWindowProcW(self->original_, hwnd, message, wParam, lParam);
    }
    HWND list_;
    WNDPROC original_ = nullptr;
};

// What the original width pass sends after each added entry: every entry measured again (text
// width in twips of the entry with a space appended, in the window's font), the widest kept in
// twips and then turned into pixels with half-to-even rounding, that pixel value carried into the
// next pass.
std::vector<int> QuadraticExtents(const Names& entries, HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    const double twipsPerPixel = 1440.0 / GetDeviceCaps(dc, LOGPIXELSX);
    auto textWidth = [&](const std::wstring& s) {
        SIZE size{};
        GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return size.cx * twipsPerPixel;
    };
    std::vector<int> out;
    double widest = 0;
    for (size_t added = 1; added <= entries.size(); ++added) {
        for (size_t i = 0; i < added; ++i) {
            const double w = textWidth(entries[i] + L" ");
            if (w > widest) widest = std::nearbyint(textWidth(entries[i] + L" "));
        }
        widest = std::nearbyint(widest / twipsPerPixel);
        out.push_back(static_cast<int>(widest));
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return out;
}

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

TEST_F(MainWindowTest, ListsEveryFileWhoseNameContainsXlsxAndSelectsTheFirst) {
    ScratchFolder folder(L"rules");
    for (const wchar_t* name : {L"report.xlsx.old", L"~$report.xlsx", L"REPORT.XLSX", L"report.xlsm", L"report.xls",
                                L"売上_2024年度_第1四半期の集計表.xlsx", L"b.xlsx", L"notes.txt"}) {
        folder.Touch(name);
    }
    folder.MakeFolder(L"sub");
    folder.Touch(L"sub\\inner.xlsx");
    probe().SetFields(5, L"x.xlsx");
    ExtentRecorder extents(C(L"List_Book"));

    LoadFolder(C(L"Cmd_BookFile"), folder.path());
    const Names listed = Entries(C(L"List_Book"));
    EXPECT_EQ(Sorted(listed), Sorted({L"report.xlsx.old", L"~$report.xlsx", L"売上_2024年度_第1四半期の集計表.xlsx",
                                      L"b.xlsx"}));
    EXPECT_EQ(SelectedIndices(C(L"List_Book")), std::vector<int>{0});
    EXPECT_EQ(probe().FolderPath(), folder.path());
    EXPECT_EQ(probe().FolderFullPath(), folder.path());
    EXPECT_EQ(probe().FileCount(), 0);
    // One extent after each added name, each what the original quadratic pass sends.
    EXPECT_EQ(extents.sent, QuadraticExtents(listed, FontOf(C(L"List_Book"))));
    EXPECT_EQ(SendMessageW(C(L"List_Book"), LB_GETHORIZONTALEXTENT, 0, 0), extents.sent.back());
}

TEST_F(MainWindowTest, ASecondFolderStartsTheWidestWidthAfresh) {
    ScratchFolder wide(L"wide");
    wide.Touch(L"とても長い名前のブックファイル_2024年度_第1四半期_最終版.xlsx");
    ScratchFolder narrow(L"narrow");
    narrow.Touch(L"a.xlsx");
    narrow.Touch(L"bb.xlsx");
    ScratchFolder none(L"none");
    none.Touch(L"a.xlsm");

    LoadFolder(C(L"Cmd_BookFile"), wide.path());
    const auto wideExtent = SendMessageW(C(L"List_Book"), LB_GETHORIZONTALEXTENT, 0, 0);
    ExtentRecorder extents(C(L"List_Book"));
    LoadFolder(C(L"Cmd_BookFile"), narrow.path());
    const Names listed = Entries(C(L"List_Book"));
    EXPECT_EQ(Sorted(listed), Sorted({L"a.xlsx", L"bb.xlsx"}));
    EXPECT_EQ(extents.sent, QuadraticExtents(listed, FontOf(C(L"List_Book"))));
    EXPECT_LT(extents.sent.back(), wideExtent);

    // A folder without workbooks: an empty list, nothing selected, no extent sent.
    extents.sent.clear();
    LoadFolder(C(L"Cmd_BookFile"), none.path());
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
    EXPECT_TRUE(extents.sent.empty());
    EXPECT_EQ(probe().FolderFullPath(), none.path());
}

TEST_F(MainWindowTest, TheCoveredMergePanelsLoadButtonFillsTheSplitList) {
    ScratchFolder folder(L"covered");
    folder.Touch(L"a.xlsx");
    Click(C(L"Opt_MnC"));
    // Reached with the keyboard: Tab to the merge panel's "ファイル読込", then Enter.
    for (int i = 0; i < 3; ++i) PressKey(VK_TAB);
    ASSERT_EQ(GetFocus(), C(L"Cmd_BookFile"));
    bool picked = false;
    WithModalDriver([&](ModalDriver& d) { picked = d.PickFolder(folder.path()); }, [] { PressKey(VK_RETURN); });
    EXPECT_TRUE(picked);
    EXPECT_EQ(Entries(C(L"List_Seet")), Names{L"a.xlsx"});
    EXPECT_EQ(SelectedIndices(C(L"List_Seet")), std::vector<int>{0});
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
}

TEST_F(MainWindowTest, CancelInEitherModeEmptiesTheMergeListAndSaysSo) {
    ScratchFolder folder(L"cancel");
    folder.Touch(L"a.xlsx");
    LoadFolder(C(L"Cmd_BookFile"), folder.path());
    ASSERT_EQ(Entries(C(L"List_Book")), Names{L"a.xlsx"});

    struct Case {
        const wchar_t* option;
        const wchar_t* button;
    };
    for (const Case& c : {Case{L"Opt_MnA", L"Cmd_BookFile"}, Case{L"Opt_MnC", L"Cmd_SheetFile"}}) {
        SCOPED_TRACE(testing::Message() << "mode of " << (c.option[6] == L'A' ? 1 : 2));
        Click(C(c.option));
        Add(C(L"List_Book"), L"kept-until-cancel.xlsx");
        Add(C(L"List_Seet"), L"s.xlsx");
        const Names seetBefore = Entries(C(L"List_Seet"));
        std::wstring message;
        WithModalDriver(
            [&](ModalDriver& d) {
                EXPECT_TRUE(d.CancelFolderDialog());
                message = d.DismissMessage();
            },
            [&] { Click(C(c.button)); });
        EXPECT_EQ(message, L"キャンセルを選択");
        EXPECT_TRUE(Entries(C(L"List_Book")).empty());
        EXPECT_EQ(Entries(C(L"List_Seet")), seetBefore);
        EXPECT_TRUE(probe().FolderPath().empty());
        EXPECT_EQ(probe().FolderFullPath(), folder.path());  // kept from the last listing
    }
}

TEST_F(MainWindowTest, FolderNamesOutsideTheAnsiCodePageArriveIntact) {
    ScratchFolder folder(L"한국어_폴더_😀");
    folder.Touch(L"데이터.xlsx");
    folder.Touch(L"表.xlsx");
    LoadFolder(C(L"Cmd_BookFile"), folder.path());
    EXPECT_EQ(Sorted(Entries(C(L"List_Book"))), Sorted({L"데이터.xlsx", L"表.xlsx"}));
    EXPECT_EQ(probe().FolderPath(), folder.path());
    EXPECT_EQ(probe().FolderFullPath(), folder.path());
}

TEST_F(MainWindowTest, AVanishedFolderIsReportedAndTheProgramStaysUsable) {
    ScratchFolder first(L"first");
    first.Touch(L"a.xlsx");
    LoadFolder(C(L"Cmd_BookFile"), first.path());
    ScratchFolder parent(L"parent");
    const std::wstring doomed = parent.MakeFolder(L"消えるフォルダ");

    std::wstring message;
    bool picked = false;
    WithModalDriver(
        [&](ModalDriver& d) {
            picked = d.PickVanishingFolder(doomed);
            message = d.DismissMessage();
        },
        [&] { Click(C(L"Cmd_BookFile")); });
    ASSERT_TRUE(picked);
    EXPECT_NE(message.find(L"消えるフォルダ"), std::wstring::npos) << "names the folder: " << testing::PrintToString(message);
    EXPECT_NE(message.find(L"開けませんでした"), std::wstring::npos) << "says what failed";
    EXPECT_NE(message.find(L"理由: "), std::wstring::npos) << "says why";
    // The state at the failing step: list cleared, the new folder recorded, the full path kept.
    EXPECT_TRUE(Entries(C(L"List_Book")).empty());
    EXPECT_EQ(probe().FolderPath(), doomed);
    EXPECT_EQ(probe().FolderFullPath(), first.path());

    // Still usable: the next listing works.
    LoadFolder(C(L"Cmd_BookFile"), first.path());
    EXPECT_EQ(Entries(C(L"List_Book")), Names{L"a.xlsx"});
}

}  // namespace
}  // namespace zelmo::ui

namespace zelmo::ui {
namespace {

TEST_F(MainWindowTest, TheListStopsAtThe16BitCountWithAnError) {
    HWND list = probe().Control(L"List_Book");
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < 32767; ++i) Add(list, L"a.xlsx");
    files::ListFiller filler(list, window().hWnd(), FontOf(list));
    EXPECT_THROW(filler.Add(L"one-too-many.xlsx"), errors::StepError);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 32767);
}

}  // namespace
}  // namespace zelmo::ui
