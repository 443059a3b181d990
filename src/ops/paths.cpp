#include "ops/paths.h"

#include "ops/errors.h"

namespace zelmo::ops {

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    path += u'\\';
    path += name;
    return path;
}

std::vector<std::u16string> SplitFileList(std::u16string_view fileList) {
    std::vector<std::u16string> names;
    if (fileList.empty()) return names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = fileList.find(u'|', start);
        if (bar == std::u16string_view::npos) {
            names.emplace_back(fileList.substr(start));
            return names;
        }
        names.emplace_back(fileList.substr(start, bar - start));
        start = bar + 1;
    }
}

std::u16string SplitOutputName(std::u16string_view fileName, long sheetNumber) {
    // Names come from the workbook listing and contain ".xlsx", so there are always four units
    // to cut; a shorter name leaves an empty stem rather than reading before its start.
    const std::size_t keep = fileName.size() > 4 ? fileName.size() - 4 : 0;
    std::u16string name = u"新";
    name += fileName.substr(0, keep);
    name += Decimal(sheetNumber);
    name += u".xlsx";
    return name;
}

}  // namespace zelmo::ops
