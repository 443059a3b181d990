// A fake Excel for the operations' tests: workbooks on a pretend disk, one log line per call the
// operations make (with what the call returned), failure of any chosen call, and a count of the
// references still held, so that tests can see that everything was released.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/excel.h"
#include "ops/operation.h"

namespace zelmo::ops::fake {

struct SheetDef {
    std::u16string name;
    bool chart = false;
};

struct SheetData;
struct BookData {
    std::u16string name;
    std::vector<std::shared_ptr<SheetData>> sheets;
};
struct SheetData {
    std::u16string name;
    bool chart = false;
    BookData* book = nullptr;
};

class FakeExcel : public ExcelFactory, public MessageSink {
public:
    // Files Excel can open, by full path, with their sheets.
    std::map<std::u16string, std::vector<SheetDef>> files;
    // Every call, in order: "Open C:\a.xlsx", "Book1.Sheets.Count = 2", "Quit", ... A call that
    // was made to fail ends in " !".
    std::vector<std::string> log;
    // Closing messages, and the references still alive when each was shown.
    std::vector<std::u16string> messages;
    std::vector<int> liveAtMessage;
    // When set, the message is shown first and the steps given with it run after, as in the
    // program, where they run while the message box is on screen; `quitsAtMessage` records
    // whether Excel had been told to quit by then.
    bool showFirst = false;
    std::vector<int> quitsAtMessage;

    // The call with this 0-based position in the log fails.
    std::optional<std::size_t> failAt;
    // Calls whose text (before " = ") equals one of these fail every time.
    std::vector<std::string> failCalls;
    // The code the failing calls carry (Excel's 0x800A03EC unless set).
    std::optional<int32_t> failCode;
    // Sheets.Count reports this instead of the real count (e.g. beyond 16 bits).
    std::optional<int32_t> countOverride;

    int live = 0;  // fake objects (application, workbooks, collections, sheets) not yet released
    int started = 0;
    int quits = 0;

    std::unique_ptr<ExcelApplication> CreateExcel() override;
    void Show(const std::u16string& text) override;
    void ShowWhile(const std::u16string& text, const std::function<bool()>& step) override;

    // The sheet names of a saved file, or nothing when it was never saved.
    std::optional<std::vector<std::string>> Saved(const std::u16string& path) const;
    // Paths saved, in order of saving.
    std::vector<std::string> savedOrder;

    // Logs a call; throws ExcelError when it is to fail. `text` is the call, `result` what it
    // returns (appended as " = result" when not empty).
    void Call(const std::string& text, const std::string& result = {});

    std::shared_ptr<BookData> NewBook(std::u16string name);
    int nextBookNumber = 1;

private:
    std::map<std::u16string, std::vector<std::string>> saved_;
    std::vector<std::shared_ptr<BookData>> books_;

    friend class FakeWorkbook;
};

// The description the fake gives every failure.
inline const std::u16string kFakeReason = u"テスト用の失敗です。";

// The folder the operations work in, on the pretend disk.
inline const std::u16string kFolder = u"C:\\Data";

// An operation's context as the main window hands it over, with the fake as the spreadsheet
// application and the message sink: the files `fileList` (`fileCount` of them) of `folder`.
OperationContext Context(FakeExcel& excel, const std::u16string& fileList, int16_t fileCount,
                         const std::u16string& folder = kFolder);

// Every operation ends with every started instance told to quit, nothing held, and one message
// shown with nothing held any more (`what` names the case in a failure).
void ExpectCleanEnd(const FakeExcel& excel, const std::string& what);

std::string U8(const std::u16string& text);

}  // namespace zelmo::ops::fake
