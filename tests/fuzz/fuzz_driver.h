// One run of the engine over untrusted bytes, shared by the libFuzzer target and the regression
// test that replays the inputs the fuzzer once found: open, list, copy every sheet into a new
// workbook, into a second copy of itself and into itself, save, and open the saved bytes again.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zelmo::fuzz {

// A broken promise of the engine on some input (as opposed to a refusal with xlsx::Error, which is
// what hostile input should get). Thrown out of RunOne; the fuzzer reports it as a crash.
class Finding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The zip bytes the input stands for. Input starting with "PK" is a zip as it is. Anything else is
// a list of parts, records separated by '\x01', each "name\ncontent", stored into a zip here: the
// fuzzer can then change part content without breaking CRCs, and reaches the XML handling.
std::string PackageFromInput(std::string_view input);

// Runs the engine over `input`; throws Finding when the engine breaks a promise.
void RunOne(std::string_view input);

}  // namespace zelmo::fuzz
