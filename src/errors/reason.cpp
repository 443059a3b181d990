#include "errors/reason.h"

#include "text/hex_code.h"

#ifdef _WIN32
#include "win/com.h"
#include "win/com_error.h"
#endif

namespace zelmo::errors {
namespace {

struct KnownCode {
    uint32_t code;
    const char16_t* text;
};

// Codes the file-system service and COM give without a description of their own.
constexpr KnownCode kKnownCodes[] = {
    {0x800A0034u, u"ファイル名が正しくありません。"},
    {0x800A0035u, u"ファイルが見つかりません。"},
    {0x800A0039u, u"デバイスの入出力でエラーが発生しました。"},
    {0x800A0046u, u"アクセスが拒否されました。"},
    {0x800A0047u, u"ディスクの準備ができていません。"},
    {0x800A004Bu, u"パスまたはファイルにアクセスできません。"},
    {0x800A004Cu, u"パスが見つかりません。"},
    {0x80070002u, u"ファイルが見つかりません。"},
    {0x80070003u, u"パスが見つかりません。"},
    {0x80070005u, u"アクセスが拒否されました。"},
    {0x8007000Eu, u"メモリが足りません。"},
    {0x80040154u, u"必要なコンポーネントが登録されていません。"},
    {0x800401F3u, u"必要なコンポーネントが登録されていません。"},
    {0x800401F0u, u"COM が初期化されていません。"},
};

bool IsLineEnd(char16_t c) { return c == u'\n' || c == u'\r' || c == u' '; }

}  // namespace

std::u16string Reason(int32_t code, std::u16string_view description) {
    // Descriptions often end in a line break; a message shows the reason on one line.
    while (!description.empty() && IsLineEnd(description.back())) description.remove_suffix(1);
    if (!description.empty()) return std::u16string(description);

    const auto hex = Hex32(static_cast<uint32_t>(code));
    for (const KnownCode& known : kKnownCodes) {
        if (known.code == static_cast<uint32_t>(code)) return known.text + (u" (" + hex + u")");
    }
#ifdef _WIN32
    const std::wstring system = win::SystemMessage(static_cast<HRESULT>(code));
    if (!system.empty()) return win::ToU16(system) + u" (" + hex + u")";
#endif
    return u"エラー コード " + hex;
}

#ifdef _WIN32
std::wstring Reason(const win::ComError& error) {
    return win::ToWide(Reason(static_cast<int32_t>(error.hr()), win::ToU16(error.description())));
}
#endif

std::u16string Hex32(uint32_t value) { return text::HexCode<char16_t>(value); }

}  // namespace zelmo::errors
