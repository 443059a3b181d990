// Deflating big parts on every core before libzip writes them: each part is cut into blocks that
// zlib compresses independently (each primed with the 32 KiB before it and ended with a sync flush,
// the last one finished), so the blocks joined are one valid deflate stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo::xlsx {

struct Deflated {
    std::string data;  // raw deflate stream
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

// Compresses every input at `level`; results in input order. Throws std::bad_alloc or
// std::runtime_error when zlib fails.
std::vector<Deflated> DeflateAll(const std::vector<std::string_view>& inputs, int level);

}  // namespace zelmo::xlsx
