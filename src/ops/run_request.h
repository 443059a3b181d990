// The run request behind the "実行" button (`Cmd_Return_Click`): the selection of the current
// mode's list box becomes `FileList` and `FileCount`, and the mode names the operation to start.
#pragma once

#include <cstdint>
#include <string>

namespace zelmo::ops {

inline constexpr char16_t kFileListSeparator = u'|';

// The three things the run request reads of a list box. Entries are numbered from 0.
class SelectionList {
public:
    virtual ~SelectionList() = default;
    virtual int32_t Count() const = 0;                     // `ListCount`
    virtual bool Selected(int32_t index) const = 0;        // `Selected(i)`
    virtual std::u16string Text(int32_t index) const = 0;  // `List(i)`
};

enum class Operation { kNone, kMerge, kSplit };

struct RunRequestResult {
    Operation operation = Operation::kNone;
    std::u16string fileList;  // `FileList`
    int16_t fileCount = 0;    // `FileCount`
};

// Builds the request for `mode` (1 merge from `bookList`, 2 split from `seetList`; any other mode
// gathers nothing and starts nothing). The names stand in list order, joined by "|". The
// operation is named also when nothing is selected. Throws CountOverflowError when the list has
// more than 32,767 entries (list indices and `FileCount` are 16-bit); no operation may start then.
RunRequestResult RunRequest(int16_t mode, const SelectionList& bookList,
                            const SelectionList& seetList);

}  // namespace zelmo::ops
