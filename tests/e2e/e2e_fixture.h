// The fixture of the end-to-end tests: the real main window driven in-process against the stand-in
// spreadsheet server, a scratch folder of workbooks written by the package engine, the server's
// journal and fault rules handed over through the environment, and after every test the check that
// no server process is left.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "book_files.h"
#include "scratch_folder.h"
#include "server_journal.h"
#include "server_processes.h"
#include "server_settings.h"
#include "ui_fixture.h"
#include "win/busy_server.h"

namespace zelmo::e2e {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using test::MakeBook;
using test::ReadBytes;
using test::SetServerFaults;
using test::SheetsOf;

// The server's overwrite question, if one is expected, and how to answer it.
enum class Answer { kNone, kYes, kNo };

// What one press of "実行" brought up.
struct RunResult {
    std::wstring question;  // the server's overwrite question ("" when none was answered)
    std::wstring message;   // the program's closing message ("" when none came)
    std::chrono::steady_clock::time_point messageAt;  // when the message box was found
};

class EndToEndTest : public ui::MainWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The server started next writes its journal to a fresh file of this name (its faults are set
    // with SetServerFaults).
    void UseJournal(const std::string& name);
    std::vector<std::string> Journal() const { return test::ReadJournal(journal_); }
    // Journal lines of calls of `member` ("Open", "SaveAs", "Copy", ...).
    std::vector<std::string> Calls(const std::string& member) const { return test::CallsOf(Journal(), member); }

    // "ファイル読込" of the merge (Cmd_BookFile) or split (Cmd_SheetFile) panel, the folder picked in
    // the real dialog.
    void LoadMerge(const fs::path& folder);
    void LoadSplit(const fs::path& folder);
    // Selects exactly these entries of the list (by their text).
    void Select(const wchar_t* list, const std::vector<std::wstring>& names);
    // Presses "実行", answers the server's question if told to expect one, and dismisses the
    // closing message. An unexpected question is answered No and returned in `question`.
    // `waitMs` bounds the wait for the closing message.
    RunResult Run(Answer answer = Answer::kNone, DWORD waitMs = 60000);

    // Waits (up to about 15 s) until no stand-in server process exists.
    static bool NoServerLeft() { return test::WaitNoServer(15000); }
    static int ServerProcessCount() { return test::ServerProcessCount(); }

    static std::string U8(const std::wstring& text);
    static std::string U8(const fs::path& path) { return U8(path.wstring()); }

    // As the program has it on its user-interface thread before any Excel is created.
    win::MessageFilterScope busyFilter_;
    std::unique_ptr<test::ScratchFolder> scratch_;
    fs::path folder_;    // the workbooks' folder
    fs::path journals_;  // the server journals, outside the listed folder
    fs::path journal_;
};

}  // namespace zelmo::e2e
