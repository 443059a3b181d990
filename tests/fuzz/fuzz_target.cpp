// The libFuzzer entry point (built only with clang, option ZELMO_FUZZ; see scripts/fuzz.sh).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A Finding (or any other exception) escapes and aborts: libFuzzer keeps the input as a crash.
    zelmo::fuzz::RunOne(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
