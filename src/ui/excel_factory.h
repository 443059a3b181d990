// Where "実行" gets Excel from: the automation adapter of the operations (src/ops), started
// through the program's dispatch client.
#pragma once

#include <memory>

#include "ops/excel.h"

namespace zelmo::ui {

// A factory that starts a new instance of `Excel.Application` for each operation.
std::unique_ptr<ops::ExcelFactory> MakeExcelFactory();

}  // namespace zelmo::ui
