// What the two Excel operations are given: the main window's fields they read, the way to start
// Excel and the place their closing message goes.
#pragma once

#include <cstdint>
#include <string>

#include "ops/excel.h"

namespace zelmo::ops {

struct OperationContext {
    std::u16string folderFullPath;  // `FolderFullPath`
    std::u16string fileList;        // `FileList`
    int16_t fileCount = 0;          // `FileCount`
    ExcelFactory& excel;
    MessageSink& messages;
};

// `MergeBooks`: every sheet of every selected workbook, workbook after workbook, copied behind
// the last sheet of one new workbook, saved as "新ExcelFile.xlsx" in the folder.
void MergeBooks(const OperationContext& context);

// `SplitSheets`: every sheet of the selected workbook copied into a new workbook of its own,
// saved in the folder as "新" + name less ".xlsx" + "." + sheet number + ".xlsx".
void SplitSheets(const OperationContext& context);

}  // namespace zelmo::ops
