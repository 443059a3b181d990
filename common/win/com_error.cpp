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

struct KnownCode {
    HRESULT code;
    const wchar_t* text;
};

// Codes the file-system service and COM give without a description of their own.
constexpr KnownCode kKnownCodes[] = {
    {static_cast<HRESULT>(0x800A0034), L"ファイル名が正しくありません。"},
    {static_cast<HRESULT>(0x800A0035), L"ファイルが見つかりません。"},
    {static_cast<HRESULT>(0x800A0039), L"デバイスの入出力でエラーが発生しました。"},
    {static_cast<HRESULT>(0x800A0046), L"アクセスが拒否されました。"},
    {static_cast<HRESULT>(0x800A0047), L"ディスクの準備ができていません。"},
    {static_cast<HRESULT>(0x800A004B), L"パスまたはファイルにアクセスできません。"},
    {static_cast<HRESULT>(0x800A004C), L"パスが見つかりません。"},
    {static_cast<HRESULT>(0x80070002), L"ファイルが見つかりません。"},
    {static_cast<HRESULT>(0x80070003), L"パスが見つかりません。"},
    {static_cast<HRESULT>(0x80070005), L"アクセスが拒否されました。"},
    {static_cast<HRESULT>(0x8007000E), L"メモリが足りません。"},
    {static_cast<HRESULT>(0x80040154), L"必要なコンポーネントが登録されていません。"},
    {static_cast<HRESULT>(0x800401F3), L"必要なコンポーネントが登録されていません。"},
    {static_cast<HRESULT>(0x800401F0), L"COM が初期化されていません。"},
};

}  // namespace

ComError::ComError(HRESULT hr, std::wstring member, std::wstring source, std::wstring description)
    : std::runtime_error(Summary(hr, member, description)),
      hr_(hr),
      member_(std::move(member)),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::wstring ComError::Reason() const {
    if (!description_.empty()) return description_;
    for (const KnownCode& known : kKnownCodes) {
        if (known.code == hr_) return std::wstring(known.text) + L" (" + HexCode(hr_) + L")";
    }
    const std::wstring system = SystemMessage(hr_);
    if (!system.empty()) return system + L" (" + HexCode(hr_) + L")";
    return L"エラー コード " + HexCode(hr_);
}

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
