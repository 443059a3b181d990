// The engine's failure messages (Japanese, shown to users with the file name the caller adds).
#pragma once

#include <string>

#include "xlsx/workbook.h"

namespace zelmo::xlsx::msg {

inline constexpr const char* kNotFound = "ファイルが見つかりません。";
inline constexpr const char* kIsFolder = "フォルダーです。ブックのファイルを指定してください。";
inline constexpr const char* kReadFailed = "ファイルを読み取れませんでした。";
inline constexpr const char* kNotZip = "ブック (.xlsx 形式) のファイルではありません。";
inline constexpr const char* kNoWorkbookPart = "ブック (.xlsx 形式) のファイルではありません (ブックの本体が見つかりません)。";
inline constexpr const char* kEncrypted =
    "パスワードで保護 (暗号化) されたブックは開けません。保護を解除して保存し直してください。";
inline constexpr const char* kXls =
    "旧形式 (.xls) のブックには対応していません。.xlsx 形式で保存し直してください。";
inline constexpr const char* kOle = "このファイルの形式には対応していません (.xlsx 形式ではありません)。";
inline constexpr const char* kXlsb =
    "バイナリ形式 (.xlsb) のブックには対応していません。.xlsx 形式で保存し直してください。";
inline constexpr const char* kXlsm =
    "マクロを含むブック (.xlsm 形式) には対応していません。.xlsx 形式で保存し直してください。";
inline constexpr const char* kTruncated = "ファイルが途中で切れているか、壊れています。";
inline constexpr const char* kTooLarge =
    "ブックの中身が大きすぎるか、圧縮率が異常です (圧縮爆弾の疑い)。開くのを中止しました。";
inline constexpr const char* kUnsafePath = "ブックに不正な名前の部品が含まれています。開くのを中止しました。";
inline constexpr const char* kSheetOutOfRange = "指定されたシートがありません。";
inline constexpr const char* kPositionOutOfRange = "シートの挿入位置が範囲外です。";
inline constexpr const char* kLastSheet = "ブックの最後のシートは削除できません。";

inline std::string Corrupt(const std::string& what) { return "ブックが壊れています (" + what + ")。"; }
inline std::string InvalidName(const std::string& name) {
    return "シート名「" + name +
           "」は使えません。1 から 31 文字で、: \\ / ? * [ ] を含まず、先頭と末尾が ' でなく、"
           "「History」以外の名前にしてください。";
}
inline std::string WriteFailed(const std::string& why) { return "ファイルを保存できませんでした (" + why + ")。"; }

}  // namespace zelmo::xlsx::msg
