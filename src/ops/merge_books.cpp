// `MergeBooks`. Strict until the copy phase begins: a failure there stops the operation before
// anything is copied or saved. From the first pass of the copy phase on, a failing step is
// abandoned and the work goes on with the next one; every such failure is remembered and the
// closing message says what was not done instead of claiming success.
#include <algorithm>
#include <memory>
#include <vector>

#include "ops/excel_session.h"
#include "ops/operation.h"
#include "ops/paths.h"
#include "ops/report.h"

namespace zelmo::ops {
namespace {

const std::u16string kMergedMessage = u"新ExcelFile.xlsxでコピーしました";

// The references one merge holds. Released together while the closing message is on screen,
// so that the Excel instance can end while the user reads it.
struct MergeState {
    std::vector<std::unique_ptr<Workbook>> sourceBooks;  // `SourceBooks`
    std::unique_ptr<Workbook> targetBook;                // `TargetBook`
    std::unique_ptr<Sheet> sourceSheet;                  // `SourceSheet`

    // Quit, then the message; meanwhile `SourceSheet` and `ExcelApp` are dropped, then the
    // workbook references.
    void End(ExcelSession& excel, MessageSink& messages, const std::u16string& text) {
        excel.EndWithMessage(messages, text, sourceSheet, targetBook, sourceBooks);
    }
};

// Copies every member of `source`'s sheet collection, in collection order, behind the target's
// last sheet, looked up afresh (count, then the item at that count) before every copy so that
// each copy lands behind the one before it. The lookup is not remembered on purpose: its calls
// are part of the sequence that the call-log tests pin.
void CopySource(const std::u16string& name, Workbook& source, Workbook& target,
                std::unique_ptr<Sheet>& sourceSheet, FailureReport& failures) {
    std::unique_ptr<SheetEnumerator> members;
    try {
        members = source.Sheets()->Enumerate();
    } catch (const ExcelError& e) {
        failures.Add(u"「" + name + u"」のシートを取得できず、1 枚もコピーしていません。", e);
        return;
    }
    long position = 0;
    for (;;) {
        try {
            sourceSheet = members->Next();
        } catch (const ExcelError& e) {
            failures.Add(u"「" + name + u"」の " + Decimal(position + 1) +
                             u" 枚目以降のシートを取得できず、コピーしていません。",
                         e);
            return;
        }
        if (!sourceSheet) return;
        ++position;
        try {
            const int32_t last = target.Sheets()->Count();
            // A 32-bit index, as merge has always passed it (split's is 16-bit); pinned by the
            // call-log tests.
            const std::unique_ptr<Sheet> lastSheet = target.Sheets()->Item(last, IndexWidth::k32);
            sourceSheet->CopyAfter(*lastSheet);
        } catch (const ExcelError& e) {
            failures.Add(u"「" + name + u"」の " +
                             SheetLabel(position, NameForMessage(*sourceSheet)) +
                             u"をコピーできませんでした。",
                         e);
        }
    }
}

}  // namespace

void MergeBooks(const OperationContext& context) {
    // Nothing selected: nothing to open, nothing to make, nothing to say.
    if (context.fileCount <= 0 || context.fileList.empty()) return;

    const std::vector<std::u16string> bookNames = SplitFileList(context.fileList);
    ExcelSession excel(context.excel);
    MergeState state;
    state.sourceBooks.resize(bookNames.size());

    // Strict phase: starting Excel, opening every source, creating the target.
    const auto stop = [&](const std::u16string& what, const OpsError& error) {
        state.End(excel, context.messages,
                  StoppedMessage(what + u"処理を中止しました。新ExcelFile.xlsx は作成していません。", error));
    };
    try {
        excel.App();
    } catch (const ExcelError& e) {
        stop(u"Excel を起動できなかったため、", e);
        return;
    }
    for (std::size_t i = 0; i < bookNames.size(); ++i) {
        const std::u16string path = JoinPath(context.folderFullPath, bookNames[i]);
        try {
            state.sourceBooks[i] = excel.App().OpenWorkbook(path);
        } catch (const ExcelError& e) {
            stop(u"「" + path + u"」を開けなかったため、", e);
            return;
        }
    }
    try {
        state.targetBook = excel.App().AddWorkbook();
    } catch (const ExcelError& e) {
        stop(u"新しいブックを作成できなかったため、", e);
        return;
    }

    // Skip-and-go-on phase, from the first pass of the copy phase to the end.
    FailureReport failures;
    const std::size_t sources =
        std::min(static_cast<std::size_t>(context.fileCount), state.sourceBooks.size());
    for (std::size_t j = 0; j < sources; ++j) {
        CopySource(bookNames[j], *state.sourceBooks[j], *state.targetBook, state.sourceSheet,
                   failures);
    }

    const std::u16string outputPath =
        context.folderFullPath + u"\\" + std::u16string(kMergeOutputName);
    bool saved = false;
    std::u16string saveFailure;
    std::u16string saveCause;
    try {
        state.targetBook->SaveAs(outputPath);
        saved = true;
    } catch (const ExcelError& e) {
        saveFailure = e.reason();
        saveCause = SaveFailureCause(e);
    }

    std::u16string text;
    if (saved && failures.empty()) {
        text = kMergedMessage;
    } else if (saved) {
        text = failures.Compose(
            u"新ExcelFile.xlsx "
            u"を保存しましたが、次のシートはコピーできなかったため入っていません。");
    } else {
        text = u"「" + outputPath + u"」を保存できませんでした。" + saveCause +
               u"新ExcelFile.xlsx は書き込まれていません。\n理由: " + saveFailure;
        if (!failures.empty())
            text += u"\n" + failures.Compose(u"このほか、次のシートはコピーできませんでした。");
    }
    state.End(excel, context.messages, text);
}

}  // namespace zelmo::ops
