// Shared set-up of the server tests: every test starts with no server process, gets a scratch
// folder and a journal file of its own (handed to the server through the environment it inherits),
// and ends by proving that no server process is left. Calls go through the program's own
// automation client (win::Dispatch).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "book_files.h"
#include "scratch_folder.h"
#include "server_process.h"
#include "server_question.h"
#include "server_settings.h"
#include "test_constants.h"
#include "win/dispatch.h"

namespace zelmo::standin_test {

using test::kExcelErrorCode;
using test::MakeBook;
using test::QuestionAnswerer;
using test::ReadBytes;
using test::SetServerFaults;
using test::WriteBytes;
using win::Dispatch;
using win::Named;
using win::Variant;

// The spreadsheet program's public interfaces, as the server answers them.
inline constexpr IID kIidApplication = {0x000208D5, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidWorkbooks = {0x000208DB, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidWorkbook = {0x000208DA, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidSheets = {0x000208D7, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidWorksheet = {0x000208D8, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidChart = {0x000208D6, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The test program run with these arguments plays a client that dies holding the server's objects,
// or one that waits in SaveAs over an existing file (followed by the path).
inline constexpr wchar_t kHoldExcelAndDie[] = L"--child-hold-excel-and-die";
inline constexpr wchar_t kSaveOverAndWait[] = L"--child-save-over";

// How a call failed (failed is false when it did not): the code (EXCEPINFO's scode for a server
// exception) and the server's source and description.
struct Failure {
    bool failed = false;
    HRESULT hr = S_OK;
    std::wstring source;
    std::wstring description;
};

template <class Call>
Failure FailureOf(Call&& call) {
    try {
        call();
        return {};
    } catch (const win::ComError& e) {
        return {true, e.hr(), e.source(), e.description()};
    }
}

// A new Excel.Application created by its programmatic identifier, out of process.
inline Dispatch StartExcel() { return Dispatch::Create(L"Excel.Application", CLSCTX_LOCAL_SERVER); }
bool Answers(const Dispatch& object, const IID& iid);
// Item(index) of a collection as an object.
template <class Index>
Dispatch ItemOf(const Dispatch& collection, Index&& index) {
    return collection.Call(L"Item", std::forward<Index>(index)).ToDispatch();
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Whether a line of the journal holds `part`.
    bool JournalHas(const std::wstring& part) const;

    std::unique_ptr<test::ScratchFolder> folder_;
    std::wstring journal_;
};

// For the messages of failed expectations.
inline std::string Utf8(const std::wstring& text) { return win::ToUtf8(text); }

}  // namespace zelmo::standin_test
