// How the program writes an error code (an HRESULT, an SCODE): "0x" and eight upper-case hex
// digits, e.g. 0x800A03EC. One writer for the messages, the journals and the logs, in whichever
// string type each of them uses.
#pragma once

#include <cstdint>
#include <string>

namespace zelmo::text {

template <class Char>
std::basic_string<Char> HexCode(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::basic_string<Char> text;
    text += static_cast<Char>('0');
    text += static_cast<Char>('x');
    for (int shift = 28; shift >= 0; shift -= 4) text += static_cast<Char>(kDigits[(value >> shift) & 0xF]);
    return text;
}

}  // namespace zelmo::text
