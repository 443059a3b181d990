#include "win/com_error.h"

#include "text/hex_code.h"
#include "win/handles.h"
#include "win/text.h"

namespace zelmo::win {
namespace {

std::string Summary(HRESULT hr, const std::wstring& member, const std::wstring& description) {
    std::wstring text = member + L" failed (" + HexCode(hr) + L")";
    if (!description.empty()) text += L": " + description;
    return ToUtf8(text);
}

}  // namespace

ComError::ComError(HRESULT hr, std::wstring member, std::wstring source, std::wstring description)
    : std::runtime_error(Summary(hr, member, description)),
      hr_(hr),
      member_(std::move(member)),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::wstring SystemMessage(HRESULT hr) {
    LocalMem<wchar_t> buffer;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    std::wstring text;
    if (n > 0 && buffer) text.assign(buffer.get(), n);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.' || text.back() == L'。')) {
        text.pop_back();
    }
    return text;
}

std::wstring HexCode(HRESULT hr) { return text::HexCode<wchar_t>(static_cast<uint32_t>(hr)); }

}  // namespace zelmo::win
