// The system's ANSI code page (CP_ACP) through WideCharToMultiByte.
#include <windows.h>

#include "text/byte_width.h"

namespace zelmo::text {
namespace {

class WindowsCodePage final : public AnsiCodePage {
public:
    std::string Encode(std::u16string_view character) const override {
        wchar_t in[2] = {};
        const int inLength = static_cast<int>(character.size() < 2 ? character.size() : 2);
        for (int i = 0; i < inLength; ++i) in[i] = static_cast<wchar_t>(character[static_cast<std::size_t>(i)]);
        char out[8] = {};
        // A character the code page lacks becomes one default character, also when it is a
        // surrogate pair (which the conversion would otherwise turn into one per code unit).
        BOOL usedDefault = FALSE;
        const bool canReport = GetACP() != CP_UTF8 && GetACP() != CP_UTF7;
        const int written = WideCharToMultiByte(CP_ACP, 0, in, inLength, out, sizeof out, nullptr,
                                                canReport ? &usedDefault : nullptr);
        if (written <= 0 || usedDefault) return "?";
        return std::string(out, static_cast<std::size_t>(written));
    }
};

}  // namespace

const AnsiCodePage& SystemCodePage() {
    static const WindowsCodePage codePage;
    return codePage;
}

}  // namespace zelmo::text
