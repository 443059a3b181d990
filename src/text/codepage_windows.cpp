// The system's ANSI code page (CP_ACP), through the Win32 core's conversion.
#include <string>

#include "text/byte_width.h"
#include "win/text.h"

namespace zelmo::text {
namespace {

class WindowsCodePage final : public AnsiCodePage {
public:
    std::string Encode(std::u16string_view character) const override {
        // A character the code page lacks becomes one default character, also when it is a
        // surrogate pair (which the conversion would otherwise turn into one per code unit).
        bool usedDefault = false;
        const std::string bytes = win::ToAnsi(win::ToWide(character.substr(0, 2)), &usedDefault);
        if (bytes.empty() || usedDefault) return "?";
        return bytes;
    }
};

}  // namespace

const AnsiCodePage& SystemCodePage() {
    static const WindowsCodePage codePage;
    return codePage;
}

}  // namespace zelmo::text
