// The operations' Excel interfaces over COM automation: a private instance of
// "Excel.Application" started as a local server and called late-bound through IDispatch
// (LCID 1033, omitted arguments as VT_ERROR/DISP_E_PARAMNOTFOUND). Every COM failure arrives as
// ExcelError with Excel's own code, source and description.
//
// Where Excel is not installed (its class does not exist), the same calls go to the server that
// ships beside the program, under its own class (bundled_server.h). Calls that a busy server
// refuses are made again for a while (win/busy_server.h).
//
// The calling thread must have initialised COM (apartment-threaded), as the program's user
// interface thread has.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "ops/excel.h"

namespace zelmo::ops {

struct ComExcelOptions {
    // The class tried first.
    std::wstring progId = L"Excel.Application";
    // Where the bundled server is looked for when that class does not exist; empty: the folder
    // of the running program.
    std::wstring bundledFolder;
};

class ComExcelFactory : public ExcelFactory {
public:
    ComExcelFactory() = default;
    explicit ComExcelFactory(ComExcelOptions options) : options_(std::move(options)) {}
    std::unique_ptr<ExcelApplication> CreateExcel() override;

private:
    ComExcelOptions options_;
};

std::unique_ptr<ExcelFactory> MakeComExcelFactory();

}  // namespace zelmo::ops
