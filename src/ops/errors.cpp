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

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

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
