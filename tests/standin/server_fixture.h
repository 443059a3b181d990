// Shared set-up of the server tests: every test starts with no server process, gets a scratch
// folder and a journal file of its own (handed to the server through the environment it inherits),
// and ends by proving that no server process is left.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dispatch_client.h"
#include "server_process.h"

namespace zelmo::standin_test {

inline constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);
// The test program run with these arguments plays a client that dies holding the server's objects,
// or one that waits in SaveAs over an existing file (followed by the path).
inline constexpr wchar_t kHoldExcelAndDie[] = L"--child-hold-excel-and-die";
inline constexpr wchar_t kSaveOverAndWait[] = L"--child-save-over";

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new Excel.Application (a test failure when it cannot be created).
    Disp StartExcel();
    // Sets the fault rules the next server will start with.
    static void SetFaults(const std::wstring& rules);

    // A workbook file with these sheet names, written by the engine.
    static void MakeBook(const std::wstring& path, const std::vector<std::string>& sheetNames);
    // The sheet names of a workbook file, read by the engine (empty when unreadable).
    static std::vector<std::string> SheetNamesOf(const std::wstring& path);
    std::vector<std::wstring> Journal() const { return ReadLines(journal_); }

    std::unique_ptr<ScratchFolder> folder_;
    std::wstring journal_;
};

std::string Utf8(const std::wstring& text);

}  // namespace zelmo::standin_test
