// The names the operations hand to Excel. They are built by plain concatenation, as Excel is
// given them: a folder that already ends in "\" (a drive root) gives a doubled separator, which
// Windows and Excel accept, and nothing is normalised.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmo::ops {

// The fixed name of the merged workbook.
inline constexpr std::u16string_view kMergeOutputName = u"新ExcelFile.xlsx";

// folder + "\" + name.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// `FileList` cut at every "|" (exact, no limit); an empty list gives no names.
std::vector<std::u16string> SplitFileList(std::u16string_view fileList);

// The name of the file written for sheet `sheetNumber` of the split workbook `fileName`: "新",
// the name less its last four UTF-16 units (the dot of ".xlsx" stays), the number in decimal,
// ".xlsx". The four units are cut whatever they are.
std::u16string SplitOutputName(std::u16string_view fileName, long sheetNumber);

}  // namespace zelmo::ops
