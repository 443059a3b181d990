#include "ops/report.h"

namespace zelmo::ops {
namespace {

constexpr std::size_t kShownLines = 10;

}  // namespace

std::u16string ReasonOf(const OpsError& error) {
    if (const auto* excel = dynamic_cast<const ExcelError*>(&error)) return ReasonText(*excel);
    return error.message();
}

std::u16string StoppedMessage(const std::u16string& what, const OpsError& error) {
    return what + u"\n理由: " + ReasonOf(error);
}

void FailureReport::Add(std::u16string line, const OpsError& error) {
    line += u" 理由: ";
    line += ReasonOf(error);
    lines_.push_back(std::move(line));
}

std::u16string FailureReport::Compose(const std::u16string& heading) const {
    std::u16string text = heading;
    const std::size_t shown = lines_.size() < kShownLines ? lines_.size() : kShownLines;
    for (std::size_t i = 0; i < shown; ++i) {
        text += u"\n・";
        text += lines_[i];
    }
    if (lines_.size() > shown) {
        text += u"\n・ほか ";
        text += Decimal(static_cast<long long>(lines_.size() - shown));
        text += u" 件";
    }
    return text;
}

std::u16string SheetLabel(long position, const std::u16string& name) {
    std::u16string label = Decimal(position) + u" 枚目のシート";
    if (!name.empty()) label += u"「" + name + u"」";
    return label;
}

}  // namespace zelmo::ops
