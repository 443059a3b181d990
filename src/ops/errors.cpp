#include "ops/errors.h"

#include <utility>

#include "errors/reason.h"

namespace zelmo::ops {

OpsError::OpsError(std::u16string message)
    : std::runtime_error(ToUtf8(message)), message_(std::move(message)) {}

namespace {

std::u16string DescribeExcelError(int32_t code, const std::u16string& description,
                                  const std::u16string& where) {
    std::u16string text = where.empty() ? u"Excel の呼び出し" : where;
    text += u" に失敗しました（";
    text += errors::Hex32(static_cast<uint32_t>(code));
    text += u"）";
    if (!description.empty()) {
        text += u": ";
        text += description;
    }
    return text;
}

}  // namespace

ExcelError::ExcelError(int32_t code, std::u16string source, std::u16string description,
                       std::u16string where)
    : OpsError(DescribeExcelError(code, description, where)),
      code_(code),
      source_(std::move(source)),
      description_(std::move(description)),
      where_(std::move(where)) {}

std::u16string ExcelError::reason() const { return errors::Reason(code_, description_); }

std::u16string Decimal(long long value) {
    const bool negative = value < 0;
    // Work with the magnitude as unsigned so that the smallest value does not overflow.
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits.insert(digits.begin(), u'-');
    return digits;
}

}  // namespace zelmo::ops
