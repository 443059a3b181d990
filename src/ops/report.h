// The texts of the operations' messages when something failed: one line per failure, each with
// Excel's reason, under a heading that says what was and was not written.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ops/errors.h"
#include "ops/excel.h"

namespace zelmo::ops {

// "<what>\n理由: <reason>": a failure that ended an operation before it wrote anything.
std::u16string StoppedMessage(const std::u16string& what, const OpsError& error);

// The failures of a skip-and-go-on phase, in the order they happened.
class FailureReport {
public:
    void Add(std::u16string line, const OpsError& error);
    bool empty() const noexcept { return lines_.empty(); }
    std::size_t size() const noexcept { return lines_.size(); }

    // The heading, then one bulleted line per failure. A long list is cut after a few lines
    // with the number of the rest, so that the message box stays on the screen.
    std::u16string Compose(const std::u16string& heading) const;

private:
    std::vector<std::u16string> lines_;
};

// The cause of a failed save in one sentence, where the code names one: a full disk
// ("ディスクの空き容量が足りません。") or a folder that may not be written; empty otherwise, and the
// message keeps its general text.
std::u16string SaveFailureCause(const ExcelError& error);

// How a sheet is named in a message: "2 枚目のシート「Sheet2」", or without the name when it
// is not known.
std::u16string SheetLabel(long position, const std::u16string& name);

// The sheet's tab name for a message; empty when the sheet cannot even say its name, which is
// then named by position only.
std::u16string NameForMessage(Sheet& sheet);

}  // namespace zelmo::ops
