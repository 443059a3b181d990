// Values that tests in several folders expect of the program and of the stand-in server, written
// once here. They are the tests' own copies: a test that took them from the product's headers would
// go on passing when the product changed them.
#pragma once

#include <cstdint>

namespace zelmo::test {

// The code of Excel's own errors (a failed Open, SaveAs, ...), carried in EXCEPINFO's scode.
inline constexpr int32_t kExcelErrorCode = static_cast<int32_t>(0x800A03ECu);
// The same code as the server's journal writes it ("-> error 0x800A03EC \"<description>\"").
inline constexpr char kExcelErrorInJournal[] = "-> error 0x800A03EC";

// The stand-in server's program file, and the caption of its message boxes (the overwrite question).
inline constexpr wchar_t kServerExe[] = L"ZelmoSheetServer.exe";
inline constexpr wchar_t kServerTitle[] = L"ZelmoSheetServer";

// The captions of the program's windows and of its message boxes.
inline constexpr wchar_t kStartPageCaption[] = L"スタートページ";
inline constexpr wchar_t kMainWindowCaption[] = L"Excelゼルモ_2013 Ver0";
inline constexpr wchar_t kMessageCaption[] = L"Excelゼルモ_2013";

// The workbook a merge writes into the chosen folder.
inline constexpr wchar_t kMergedBook[] = L"新ExcelFile.xlsx";

}  // namespace zelmo::test
