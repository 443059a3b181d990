#include "ops/report.h"

#include <cstdint>

namespace zelmo::ops {
namespace {

constexpr std::size_t kShownLines = 10;

// The codes by which the system (as an HRESULT, a storage error or a Basic run-time error) says
// that a file could not be written for want of space, or for want of the right to write there.
constexpr uint32_t kDiskFullCodes[] = {
    0x80070070u,  // ERROR_DISK_FULL
    0x80070027u,  // ERROR_HANDLE_DISK_FULL
    0x8007050Fu,  // ERROR_DISK_QUOTA_EXCEEDED
    0x80030070u,  // STG_E_MEDIUMFULL
    0x800A003Du,  // "Disk full" (61)
};
constexpr uint32_t kNotWritableCodes[] = {
    0x80070005u,  // E_ACCESSDENIED, ERROR_ACCESS_DENIED
    0x80070013u,  // ERROR_WRITE_PROTECT
    0x80030005u,  // STG_E_ACCESSDENIED
    0x800A0046u,  // "Permission denied" (70)
};

template <std::size_t N>
bool OneOf(uint32_t code, const uint32_t (&codes)[N]) {
    for (uint32_t c : codes)
        if (c == code) return true;
    return false;
}

}  // namespace

std::u16string StoppedMessage(const std::u16string& what, const OpsError& error) {
    return what + u"\n理由: " + error.reason();
}

void FailureReport::Add(std::u16string line, const OpsError& error) {
    line += u" 理由: ";
    line += error.reason();
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

std::u16string SaveFailureCause(const ExcelError& error) {
    const auto code = static_cast<uint32_t>(error.code());
    if (OneOf(code, kDiskFullCodes)) return u"ディスクの空き容量が足りません。";
    if (OneOf(code, kNotWritableCodes)) return u"保存先のフォルダーに書き込む権限がありません。";
    return {};
}

std::u16string SheetLabel(long position, const std::u16string& name) {
    std::u16string label = Decimal(position) + u" 枚目のシート";
    if (!name.empty()) label += u"「" + name + u"」";
    return label;
}

std::u16string NameForMessage(Sheet& sheet) {
    try {
        return sheet.Name();
    } catch (const ExcelError&) {
        return {};
    }
}

}  // namespace zelmo::ops
