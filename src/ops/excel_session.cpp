#include "ops/excel_session.h"

#include <functional>

namespace zelmo::ops {
namespace {

// E_FAIL: a factory that returned no instance without saying why.
constexpr int32_t kNoInstance = static_cast<int32_t>(0x80004005u);

}  // namespace

ExcelApplication& ExcelSession::App() {
    if (!app_) {
        app_ = factory_.CreateExcel();
        if (!app_) {
            throw ExcelError(kNoInstance, u"", u"Excel のインスタンスが返されませんでした。",
                             u"Excel.Application の作成");
        }
        quitSent_ = false;
    }
    return *app_;
}

void ExcelSession::Quit() noexcept {
    if (!app_ || quitSent_) return;
    quitSent_ = true;
    try {
        app_->Quit();
    } catch (...) {
        // Nothing to do about it here; see the header.
    }
}

void ExcelSession::End() noexcept {
    Quit();
    Release();
}

void ExcelSession::EndWithMessage(MessageSink& messages, const std::u16string& text,
                                  std::unique_ptr<Sheet>& sheet, std::unique_ptr<Workbook>& book,
                                  std::vector<std::unique_ptr<Workbook>>& books) {
    Quit();
    // One reference per step: the sheet, those the adapter held back, the instance, the workbook,
    // then each of the workbooks.
    std::size_t next = 0;
    const std::function<bool()> step = [&]() noexcept {
        if (next == 0) {
            sheet.reset();
        } else if (next == 1) {
            if (app_ && app_->DropHeldReference()) return true;
            Release();
        } else if (next == 2) {
            book.reset();
        } else if (next - 3 < books.size()) {
            books[next - 3].reset();
        }
        if (next < books.size() + 3) ++next;
        return next < books.size() + 3;
    };
    messages.ShowWhile(text, step);
    // A sink that left steps over does not leave references behind.
    while (step()) {
    }
    books.clear();
}

}  // namespace zelmo::ops
