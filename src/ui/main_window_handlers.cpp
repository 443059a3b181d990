// The main window's event handlers and private operations: mode switching, the folder picker,
// the workbook listing and the run request.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "files/book_listing.h"
#include "files/folder_picker.h"
#include "ops/com_excel.h"
#include "ops/operation.h"
#include "ops/run_request.h"
#include "text/byte_width.h"
#include "ui/main_window.h"
#include "win/com.h"

namespace zelmo::ui {
namespace {

// A list box as the run request sees it.
class ListSelection : public ops::SelectionList {
public:
    explicit ListSelection(const ListBox& list) : list_(list) {}
    int32_t Count() const override { return list_.ListCount(); }
    bool Selected(int32_t index) const override { return list_.Selected(static_cast<int16_t>(index)); }
    std::u16string Text(int32_t index) const override { return win::ToU16(list_.List(static_cast<int16_t>(index))); }

private:
    const ListBox& list_;
};

class MessageBoxSink : public ops::MessageSink {
public:
    explicit MessageBoxSink(HWND owner) : owner_(owner) {}
    void Show(const std::u16string& text) override {
        // The wait cursor of "実行" ends just before the closing message.
        program::WaitCursor::EndWaitCursor();
        ShowMessage(owner_, win::ToWide(text));
    }
    void ShowWhile(const std::u16string& text, const std::function<bool()>& step) override {
        program::WaitCursor::EndWaitCursor();
        ShowMessageWhile(owner_, win::ToWide(text), step);
    }

private:
    HWND owner_;
};

}  // namespace

void Excel_Zelmo_2013::Form_Load() {
    Pic_Book.SetVisible(false);
    Pic_File.SetVisible(false);
    Opt_MnB.SetVisible(false);
}

// Each mode handler acts only when its own option is the selected one: it shows the mode's
// panels, sets the mode, and empties the mode's list.
void Excel_Zelmo_2013::Opt_MnA_Click() {
    if (!Opt_MnA.Value()) return;
    ShowPanels({&Pic_Book});
    Mode = 1;
    List_Book.Clear();
}

void Excel_Zelmo_2013::Opt_MnC_Click() {
    if (!Opt_MnC.Value()) return;
    // Both panels show; Pic_Bun lies in front and covers Pic_Book, whose controls stay reachable.
    ShowPanels({&Pic_Book, &Pic_Bun});
    Mode = 2;
    List_Seet.Clear();
}

void Excel_Zelmo_2013::Opt_MnB_Click() {
    if (!Opt_MnB.Value()) return;
    ShowPanels({&Pic_File});
    Mode = 3;
}

void Excel_Zelmo_2013::ShowPanels(std::initializer_list<const Panel*> shown) {
    for (const Panel* panel : {&Pic_Book, &Pic_Bun, &Pic_File}) {
        panel->SetVisible(std::find(shown.begin(), shown.end(), panel) != shown.end());
    }
}

void Excel_Zelmo_2013::Cmd_BookFile_Click() {
    FileCount = 0;
    ListBookFiles();
}

void Excel_Zelmo_2013::Cmd_SheetFile_Click() {
    FileCount = 0;
    ListBookFiles();
}

void Excel_Zelmo_2013::Cmd_CancelA_Click() { List_Book.Clear(); }

void Excel_Zelmo_2013::Cmd_CancelC_Click() { List_Seet.Clear(); }

void Excel_Zelmo_2013::Cmd_End_Click() { program::EndNow(); }

std::wstring Excel_Zelmo_2013::BrowseFolder(HWND owner) {
    std::wstring folder = files::PickFolder(owner);
    // A cancel empties the merge panel's list, whatever the mode.
    if (folder.empty()) List_Book.Clear();
    return folder;
}

void Excel_Zelmo_2013::ListBookFiles() {
    FolderPath = BrowseFolder(hwnd_);
    if (FolderPath.empty()) {
        ShowMessage(hwnd_, L"キャンセルを選択");
        return;
    }
    const ListBox* list = Mode == 1 ? &List_Book : Mode == 2 ? &List_Seet : nullptr;
    if (list != nullptr) list->Clear();

    // In a mode without a list the folder is still read, and nothing is listed.
    std::unique_ptr<files::ListFiller> filler;
    if (list != nullptr) filler = std::make_unique<files::ListFiller>(list->hWnd(), hwnd_, defaultFont_.get());
    files::EnumerateWorkbooks(
        FolderPath, [this](std::wstring fullPath) { FolderFullPath = std::move(fullPath); },
        [&filler](const std::wstring& name) {
            if (filler) filler->Add(name);
        });
}

void Excel_Zelmo_2013::Cmd_Return_Click() {
    // From the click until the closing message (or, when none comes, the handler's end).
    const program::WaitCursor waiting;
    FileList.clear();
    FileCount = 0;
    const ops::RunRequestResult request = ops::RunRequest(Mode, ListSelection(List_Book), ListSelection(List_Seet));
    FileList = win::ToWide(request.fileList);
    FileCount = request.fileCount;
    if (request.operation == ops::Operation::kMerge) MergeBooks();
    else if (request.operation == ops::Operation::kSplit) SplitSheets();
}

void Excel_Zelmo_2013::MergeBooks() {
    std::unique_ptr<ops::ExcelFactory> excel = excelFactory_ ? excelFactory_() : ops::MakeComExcelFactory();
    MessageBoxSink messages(hwnd_);
    ops::MergeBooks({win::ToU16(FolderFullPath), win::ToU16(FileList), FileCount, *excel, messages});
}

void Excel_Zelmo_2013::SplitSheets() {
    std::unique_ptr<ops::ExcelFactory> excel = excelFactory_ ? excelFactory_() : ops::MakeComExcelFactory();
    MessageBoxSink messages(hwnd_);
    ops::SplitSheets({win::ToU16(FolderFullPath), win::ToU16(FileList), FileCount, *excel, messages});
}

int16_t Excel_Zelmo_2013::LenByte(const std::wstring& s) const { return text::LenByte(win::ToU16(s)); }

std::wstring Excel_Zelmo_2013::MidByte(const std::wstring& s, double st, double l) const {
    return win::ToWide(text::MidByte(win::ToU16(s), st, l));
}

}  // namespace zelmo::ui
