// The one rule for a failure's reason: the server's description on one line, else what is known
// about the code, else the code; and the message of a failed step.
#include <gtest/gtest.h>

#include "errors/reason.h"
#include "errors/step_error.h"

#ifdef _WIN32
#include "win/com.h"
#include "win/com_error.h"
#include "win/dispatch.h"
#endif

namespace zelmo::errors {
namespace {

constexpr int32_t kExcelCode = static_cast<int32_t>(0x800A03ECu);
constexpr int32_t kPathNotFound = static_cast<int32_t>(0x800A004Cu);

TEST(Reason, IsTheDescriptionOnOneLine) {
    EXPECT_EQ(Reason(kExcelCode, u"シートをコピーできません。"), u"シートをコピーできません。");
    // Only the line breaks and blanks it ends in go; those inside stay.
    EXPECT_EQ(Reason(kExcelCode, u"一行目\n二行目\r\n \n"), u"一行目\n二行目");
    // A description of blanks only is no description.
    EXPECT_EQ(Reason(kPathNotFound, u" \r\n"), u"パスが見つかりません。 (0x800A004C)");
}

TEST(Reason, WithoutADescriptionSaysWhatIsKnownAboutTheCode) {
    EXPECT_EQ(Reason(kPathNotFound, u""), u"パスが見つかりません。 (0x800A004C)");
    EXPECT_EQ(Reason(static_cast<int32_t>(0x80070005u), u""), u"アクセスが拒否されました。 (0x80070005)");
    // A code that neither the table nor the system knows is given as it is.
    EXPECT_EQ(Reason(kExcelCode, u""), u"エラー コード 0x800A03EC");
    EXPECT_EQ(Reason(0x2000ABCD, u""), u"エラー コード 0x2000ABCD");
}

TEST(Reason, CodesAreEightUpperCaseHexDigits) {
    EXPECT_EQ(Hex32(0), u"0x00000000");
    EXPECT_EQ(Hex32(0x800a03ecu), u"0x800A03EC");
    EXPECT_EQ(Hex32(0xFFFFFFFFu), u"0xFFFFFFFF");
}

TEST(StepError, MessageSaysWhatFailedAndWhy) {
    const StepError withReason(L"フォルダ「C:\\x」を開けませんでした。", L"パスが見つかりません。 (0x800A004C)");
    EXPECT_EQ(withReason.Message(),
              L"フォルダ「C:\\x」を開けませんでした。\n\n理由: パスが見つかりません。 (0x800A004C)");
    const StepError withoutReason(L"一覧に入れられるファイルは 32,767 個までです。", L"");
    EXPECT_EQ(withoutReason.Message(), L"一覧に入れられるファイルは 32,767 個までです。");
}

#ifdef _WIN32
TEST(Reason, OnWindowsTheSystemsTextComesBeforeTheBareCode) {
    const std::u16string reason = Reason(static_cast<int32_t>(E_INVALIDARG), u"");
    EXPECT_EQ(reason.find(u"エラー コード"), std::u16string::npos);
    EXPECT_NE(reason.find(u" (0x80070057)"), std::u16string::npos);
}

TEST(Reason, OfAFailedCallOfTheFileSystemService) {
    const win::CoInitScope com;
    const win::Dispatch fso = win::Dispatch::Create(L"Scripting.FileSystemobject");
    try {
        fso.Call(L"GetFolder", L"C:\\no\\such\\folder-zelmo");
        FAIL() << "no error";
    } catch (const win::ComError& error) {
        // Whatever the service said, the reason is the rule's, in the program's wide strings.
        const std::u16string expected = Reason(static_cast<int32_t>(error.hr()), win::ToU16(error.description()));
        EXPECT_EQ(Reason(error), win::ToWide(expected));
        EXPECT_FALSE(Reason(error).empty());
    }
    const win::ComError bare(static_cast<HRESULT>(kPathNotFound), L"GetFolder");
    EXPECT_EQ(Reason(bare), L"パスが見つかりません。 (0x800A004C)");
    const win::ComError described(static_cast<HRESULT>(kExcelCode), L"Open", L"Excel", L"開けません。\r\n");
    EXPECT_EQ(Reason(described), L"開けません。");
}
#endif

}  // namespace
}  // namespace zelmo::errors
