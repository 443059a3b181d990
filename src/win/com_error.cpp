#include "win/com_error.h"

#include <cwchar>

namespace zelmo::win {
namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Summary(HRESULT hr, const std::wstring& member, const std::wstring& description) {
    std::wstring text = member + L" failed (" + HexCode(hr) + L")";
    if (!description.empty()) text += L": " + description;
    return Utf8(text);
}

}  // namespace

ComError::ComError(HRESULT hr, std::wstring member, std::wstring source, std::wstring description)
    : std::runtime_error(Summary(hr, member, description)),
      hr_(hr),
      member_(std::move(member)),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::wstring SystemMessage(HRESULT hr) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n > 0 && buffer != nullptr) text.assign(buffer, n);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.' || text.back() == L'。')) {
        text.pop_back();
    }
    return text;
}

std::wstring HexCode(HRESULT hr) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

}  // namespace zelmo::win
