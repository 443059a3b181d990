// The errors of the workbook operations: what failed, where, and Excel's own reason.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/utf.h"

namespace zelmo::ops {

// Base of every error the operations raise. what() is UTF-8; message() is the text for the user.
class OpsError : public std::runtime_error {
public:
    explicit OpsError(std::u16string message);
    const std::u16string& message() const noexcept { return message_; }
    // Why the step failed, for a message's "理由: ": the error's own text.
    virtual std::u16string reason() const { return message_; }

private:
    std::u16string message_;
};

// A call into Excel failed. Carries the failure code (an HRESULT, or the code Excel put into its
// exception information), the source Excel named and Excel's own description, so that what the
// user reads can include Excel's reason.
class ExcelError : public OpsError {
public:
    ExcelError(int32_t code, std::u16string source, std::u16string description,
               std::u16string where = {});

    int32_t code() const noexcept { return code_; }
    const std::u16string& source() const noexcept { return source_; }
    const std::u16string& description() const noexcept { return description_; }
    // The call that failed, e.g. u"Workbooks.Open".
    const std::u16string& where() const noexcept { return where_; }
    // Excel's reason on one line, made from the code and the description (errors::Reason).
    std::u16string reason() const override;

private:
    int32_t code_;
    std::u16string source_;
    std::u16string description_;
    std::u16string where_;
};

// A count left the signed 16-bit range in which list indices, file counts and sheet numbers live.
class CountOverflowError : public OpsError {
public:
    using OpsError::OpsError;
};

// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD), for what() and for logs.
using text::ToUtf8;

// Decimal digits of a number: no sign for non-negative values, no blank, no leading zeros.
std::u16string Decimal(long long value);

}  // namespace zelmo::ops
