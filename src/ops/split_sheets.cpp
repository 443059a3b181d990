// `SplitSheets`. Strict until the first sheet of the first pass has been saved: a failure up to
// there stops the operation with a message and writes nothing more. After it, a failing step
// abandons that sheet and the work goes on with the next; every failure is remembered and the
// closing message says which files were not written instead of claiming success.
#include <memory>
#include <vector>

#include "ops/excel_session.h"
#include "ops/operation.h"
#include "ops/paths.h"
#include "ops/report.h"

namespace zelmo::ops {
namespace {

constexpr int32_t kMaxSheets = 32767;

// The references one pass holds; released together while its closing message is on screen.
struct SplitState {
    std::unique_ptr<Workbook> sourceBook;             // `SourceBook`
    std::vector<std::unique_ptr<Workbook>> newBooks;  // `NewBooks`, slot 0 unused
    std::unique_ptr<Sheet> sourceSheet;               // `SourceSheet`

    void End(ExcelSession& excel, MessageSink& messages, const std::u16string& text) {
        excel.EndWithMessage(messages, text, sourceSheet, sourceBook, newBooks);
    }
};

// `Workbook.Sheets` then `Sheets.Count`, as a 16-bit sheet number range.
int16_t SheetCount(Workbook& book, const std::u16string& path) {
    const int32_t count = book.Sheets()->Count();
    if (count > kMaxSheets) {
        throw CountOverflowError(u"「" + path + u"」のシートが 32,767 枚を超えています。");
    }
    return static_cast<int16_t>(count < 0 ? 0 : count);
}

class SplitPass {
public:
    SplitPass(const OperationContext& context, bool strictStart)
        : context_(context),
          excel_(context.excel),
          strict_(strictStart),
          sourcePath_(JoinPath(context.folderFullPath, context.fileList)) {}

    // One outer iteration. Returns false when a strict-phase failure ended the operation.
    bool Run() {
        if (Prepare()) {
            for (int j = 1; j <= sheetCount_ && !stopped_; ++j) SplitOne(static_cast<int16_t>(j));
        }
        if (stopped_) return false;
        Finish();
        return true;
    }

private:
    // Starts Excel, opens the workbook and asks for its sheet count: once to size `NewBooks`,
    // once more for the bound of the sheet loop. False when the sheets cannot be gone through.
    bool Prepare() {
        try {
            excel_.App();
        } catch (const ExcelError& e) {
            Fail(u"Excel を起動できませんでした。", e);
            return false;
        }
        try {
            state_.sourceBook = excel_.App().OpenWorkbook(sourcePath_);
        } catch (const ExcelError& e) {
            Fail(u"「" + sourcePath_ + u"」を開けませんでした。", e);
            return false;
        }
        try {
            // The count is read twice on purpose (two real calls, pinned by the call-log tests).
            const int16_t slots = SheetCount(*state_.sourceBook, sourcePath_);
            state_.newBooks.clear();
            state_.newBooks.resize(static_cast<std::size_t>(slots) + 1);
            sheetCount_ = SheetCount(*state_.sourceBook, sourcePath_);
        } catch (const OpsError& e) {
            Fail(u"「" + sourcePath_ + u"」のシート数を取得できませんでした。", e);
            return false;
        }
        if (sheetCount_ == 0) {
            // Excel never makes a workbook without sheets; should one appear, say so rather
            // than report a split that wrote nothing.
            Fail(u"「" + sourcePath_ + u"」にはシートがありません。",
                 OpsError(u"シートの数が 0 でした。"));
            return false;
        }
        if (static_cast<std::size_t>(sheetCount_) >= state_.newBooks.size()) {
            state_.newBooks.resize(static_cast<std::size_t>(sheetCount_) + 1);
        }
        return true;
    }

    // Fetch, new workbook, copy before its first sheet, save. After a failure in the skipping
    // phase the rest of this sheet's steps are left out: without its sheet there is nothing
    // true to save under its name.
    void SplitOne(int16_t j) {
        const std::u16string outputName = SplitOutputName(context_.fileList, j);
        const std::u16string outputPath = JoinPath(context_.folderFullPath, outputName);
        const std::u16string notWritten = u"「" + outputName + u"」は作成していません。";
        try {
            // A 16-bit index, as split has always passed it (merge's is 32-bit); pinned by the
            // call-log tests.
            state_.sourceSheet = state_.sourceBook->Sheets()->Item(j, IndexWidth::k16);
        } catch (const ExcelError& e) {
            Fail(SheetLabel(j, {}) + u"を取得できませんでした。" + notWritten, e);
            return;
        }
        Workbook* newBook = nullptr;
        try {
            state_.newBooks[static_cast<std::size_t>(j)] = excel_.App().AddWorkbook();
            newBook = state_.newBooks[static_cast<std::size_t>(j)].get();
        } catch (const ExcelError& e) {
            Fail(u"新しいブックを作成できませんでした。" + notWritten, e);
            return;
        }
        try {
            const std::unique_ptr<Sheet> first = newBook->Sheets()->Item(1, IndexWidth::k16);
            state_.sourceSheet->CopyBefore(*first);
        } catch (const ExcelError& e) {
            Fail(SheetLabel(j, NameForMessage(*state_.sourceSheet)) +
                     u"をコピーできませんでした。" + notWritten,
                 e);
            return;
        }
        try {
            newBook->SaveAs(outputPath);
        } catch (const ExcelError& e) {
            Fail(u"「" + outputPath + u"」を保存できませんでした。" + SaveFailureCause(e), e);
            return;
        }
        ++saved_;
        // From here on, failures are skipped over.
        strict_ = false;
    }

    // Records a failure. In the strict phase it ends the operation at once: Excel is told to
    // quit and every reference dropped before the message names what failed.
    void Fail(const std::u16string& what, const OpsError& error) {
        if (strict_) {
            stopped_ = true;
            state_.End(excel_, context_.messages, StoppedMessage(what + u"分割を中止しました。", error));
            return;
        }
        failures_.Add(what, error);
    }

    void Finish() {
        std::u16string text;
        if (failures_.empty()) {
            text = context_.fileList + u"分割しました";
        } else if (saved_ == 0) {
            text = failures_.Compose(u"「" + context_.fileList +
                                     u"」を分割できませんでした。書き込んだファイルはありません。");
        } else {
            text = failures_.Compose(u"「" + context_.fileList + u"」を分割しましたが、" +
                                     Decimal(sheetCount_) + u" 枚中 " + Decimal(saved_) +
                                     u" 枚だけをファイルにしました。次は失敗しました。");
        }
        state_.End(excel_, context_.messages, text);
    }

    const OperationContext& context_;
    ExcelSession excel_;
    SplitState state_;
    bool strict_;
    bool stopped_ = false;
    std::u16string sourcePath_;
    int16_t sheetCount_ = 0;
    long saved_ = 0;
    FailureReport failures_;
};

}  // namespace

void SplitSheets(const OperationContext& context) {
    // One pass per selected name; the first pass starts strict.
    for (int pass = 1; pass <= context.fileCount; ++pass) {
        SplitPass split(context, pass == 1);
        if (!split.Run()) return;
    }
}

}  // namespace zelmo::ops
