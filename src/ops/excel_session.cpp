#include "ops/excel_session.h"

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

void ExcelSession::EndAndRelease(std::unique_ptr<Sheet>& sheet, std::unique_ptr<Workbook>& book,
                                 std::vector<std::unique_ptr<Workbook>>& books) noexcept {
    Quit();
    sheet.reset();
    Release();
    book.reset();
    books.clear();
}

}  // namespace zelmo::ops
