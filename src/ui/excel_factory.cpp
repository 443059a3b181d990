// SEAM: the COM adapter of the operations (Excel over the dispatch client) is written in src/ops.
// Until it is linked in here, starting Excel fails with a message that says so; nothing is
// reported as done.
#include "ui/excel_factory.h"

namespace zelmo::ui {
namespace {

class MissingExcelFactory : public ops::ExcelFactory {
public:
    std::unique_ptr<ops::ExcelApplication> CreateExcel() override {
        throw ops::ExcelError(static_cast<int32_t>(0x80040154), u"Excelゼルモ_2013",
                              u"Excel を操作する部品がこのプログラムに組み込まれていません。", u"Excel.Application");
    }
};

}  // namespace

std::unique_ptr<ops::ExcelFactory> MakeExcelFactory() { return std::make_unique<MissingExcelFactory>(); }

}  // namespace zelmo::ui
