// Code page 932 through iconv, for the portable build: the same conversion that a Japanese
// Windows makes for its ANSI code page.
#include <iconv.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "text/byte_width.h"

namespace zelmo::text {
namespace {

class IconvCodePage final : public AnsiCodePage {
public:
    explicit IconvCodePage(const char* name) : cd_(iconv_open(name, "UTF-16LE")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert to ") + name);
        }
    }
    ~IconvCodePage() override { iconv_close(cd_); }
    IconvCodePage(const IconvCodePage&) = delete;
    IconvCodePage& operator=(const IconvCodePage&) = delete;

    std::string Encode(std::u16string_view character) const override {
        char in[8];
        std::size_t inLeft = 0;
        for (char16_t unit : character.substr(0, 2)) {
            in[inLeft++] = static_cast<char>(unit & 0xFF);
            in[inLeft++] = static_cast<char>(unit >> 8);
        }
        char out[16];
        char* inPtr = in;
        char* outPtr = out;
        std::size_t outLeft = sizeof out;
        std::lock_guard<std::mutex> lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            return "?";  // the code page's default character
        }
        return std::string(out, static_cast<std::size_t>(outPtr - out));
    }

private:
    iconv_t cd_;
    mutable std::mutex mutex_;
};

}  // namespace

const AnsiCodePage& SystemCodePage() {
    static const IconvCodePage codePage("CP932");
    return codePage;
}

}  // namespace zelmo::text
