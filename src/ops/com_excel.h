// The operations' Excel interfaces over COM automation: a private instance of
// "Excel.Application" started as a local server and called late-bound through IDispatch
// (LCID 1033, omitted arguments as VT_ERROR/DISP_E_PARAMNOTFOUND). Every COM failure arrives as
// ExcelError with Excel's own code, source and description.
//
// The calling thread must have initialised COM (apartment-threaded), as the program's user
// interface thread has.
#pragma once

#include <memory>

#include "ops/excel.h"

namespace zelmo::ops {

class ComExcelFactory : public ExcelFactory {
public:
    std::unique_ptr<ExcelApplication> CreateExcel() override;
};

std::unique_ptr<ExcelFactory> MakeComExcelFactory();

}  // namespace zelmo::ops
