#include "ops/run_request.h"

#include "ops/errors.h"

namespace zelmo::ops {
namespace {

constexpr int32_t kMaxCount = 32767;

}  // namespace

RunRequestResult RunRequest(int16_t mode, const SelectionList& bookList,
                            const SelectionList& seetList) {
    RunRequestResult request;
    const SelectionList* list = nullptr;
    if (mode == 1) {
        request.operation = Operation::kMerge;
        list = &bookList;
    } else if (mode == 2) {
        request.operation = Operation::kSplit;
        list = &seetList;
    } else {
        return request;
    }

    // The entry count is read once; indices and the selected count are 16-bit like the list
    // box's own, so a list beyond their range is an error rather than a silently short request.
    const int32_t n = list->Count();
    if (n > kMaxCount) {
        throw CountOverflowError(u"一覧の項目が 32,767 個を超えているため、実行できません。");
    }
    // With at most 32,767 entries the selected count cannot pass 32,767 either.
    int32_t count = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (!list->Selected(i)) continue;
        ++count;
        if (!request.fileList.empty()) request.fileList += kFileListSeparator;
        request.fileList += list->Text(i);
    }
    request.fileCount = static_cast<int16_t>(count);
    return request;
}

}  // namespace zelmo::ops
