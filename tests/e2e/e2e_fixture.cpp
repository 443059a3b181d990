#include "e2e_fixture.h"

#include <algorithm>
#include <sstream>

#include "ops/errors.h"
#include "server_question.h"
#include "test_constants.h"
#include "win/com.h"

namespace zelmo::e2e {

using test::kServerExe;

void EndToEndTest::SetUp() {
    ui::MainWindowTest::SetUp();
    EXPECT_TRUE(busyFilter_.registered()) << "no message filter on the user-interface thread";
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    scratch_ = std::make_unique<test::ScratchFolder>(std::wstring(name.begin(), name.end()));
    folder_ = *scratch_ / L"books";
    journals_ = *scratch_ / L"journals";
    fs::create_directories(folder_);
    fs::create_directories(journals_);
    UseJournal("journal");
    SetServerFaults(L"");
}

void EndToEndTest::TearDown() {
    EXPECT_TRUE(NoServerLeft()) << "a stand-in server process outlived the test";
    test::SetServerJournal(L"");
    SetServerFaults(L"");
    ui::MainWindowTest::TearDown();
    scratch_.reset();
}

void EndToEndTest::UseJournal(const std::string& name) {
    journal_ = journals_ / (name + ".txt");
    std::error_code ignored;
    fs::remove(journal_, ignored);
    test::SetServerJournal(journal_.wstring());
}

void EndToEndTest::LoadMerge(const fs::path& folder) {
    Click(C(L"Opt_MnA"));
    LoadFolder(C(L"Cmd_BookFile"), folder.wstring());
}

void EndToEndTest::LoadSplit(const fs::path& folder) {
    Click(C(L"Opt_MnC"));
    LoadFolder(C(L"Cmd_SheetFile"), folder.wstring());
}

void EndToEndTest::Select(const wchar_t* list, const std::vector<std::wstring>& names) {
    HWND box = C(list);
    const std::vector<std::wstring> entries = ui::Entries(box);
    const bool multiple = (GetWindowLongPtrW(box, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
    if (!multiple) SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool wanted = std::find(names.begin(), names.end(), entries[i]) != names.end();
        if (multiple) {
            SendMessageW(box, LB_SETSEL, wanted ? TRUE : FALSE, static_cast<LPARAM>(i));
        } else if (wanted) {
            SendMessageW(box, LB_SETCURSEL, i, 0);
        }
    }
    std::size_t selected = 0;
    for (int i : ui::SelectedIndices(box)) {
        ++selected;
        EXPECT_NE(std::find(names.begin(), names.end(), entries[static_cast<std::size_t>(i)]), names.end());
    }
    EXPECT_EQ(selected, names.size()) << "not every name is in the list";
}

RunResult EndToEndTest::Run(Answer answer, DWORD waitMs) {
    RunResult result;
    ui::WithModalDriver(
        [&](ui::ModalDriver& d) {
            if (answer != Answer::kNone) {
                result.question = test::AnswerServerQuestion(answer == Answer::kYes ? IDYES : IDNO, 30000).text;
                result.message = d.DismissMessage(waitMs);
                result.messageAt = d.lastFoundAt;
                return;
            }
            // No question expected: one that comes all the same is answered No (so that the
            // operation can end) and reported in `question`.
            const ULONGLONG deadline = GetTickCount64() + waitMs;
            while (result.message.empty() && GetTickCount64() < deadline) {
                if (HWND box = test::FindServerQuestion()) result.question = test::AnswerServerQuestion(box, IDNO).text;
                result.message = d.DismissMessage(100);
            }
            result.messageAt = d.lastFoundAt;
        },
        [&] { Click(C(L"Cmd_Return")); }, 90000);
    return result;
}

std::string EndToEndTest::U8(const std::wstring& text) { return win::ToUtf8(text); }

}  // namespace zelmo::e2e
