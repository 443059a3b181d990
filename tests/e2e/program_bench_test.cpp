// Not a test: the timing of the UI path for bench/program_bench.sh, run only when asked for
// (--gtest_also_run_disabled_tests) with ZELMO_BENCH_DIR naming a folder that holds the inputs
// a/book*.xlsx and b/fifty.xlsx, and when present d/small*.xlsx and e/many.xlsx. Times "実行" from
// the click to the closing message: a merge of every book of a/ (and of d/), the split of
// b/fifty.xlsx (and of e/many.xlsx), and prints the seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "e2e_fixture.h"

namespace zelmo::e2e {
namespace {

class ProgramBench : public EndToEndTest {
protected:
    // From the click to the moment the closing message box is found (the driver looks every
    // 20 ms); what the program does after the box is up, while the user reads it, is not counted.
    double TimedRun(std::wstring* message) {
        const auto start = std::chrono::steady_clock::now();
        const RunResult result = Run(Answer::kNone, 300000);
        *message = result.message;
        return std::chrono::duration<double>(result.messageAt - start).count();
    }

    void TimeMerge(const fs::path& folder, const std::wstring& prefix, const char* label) {
        LoadMerge(folder);
        std::vector<std::wstring> books;
        for (const auto& name : ui::Entries(C(L"List_Book"))) {
            if (name.rfind(prefix, 0) == 0) books.push_back(name);
        }
        Select(L"List_Book", books);
        std::wstring message;
        const double seconds = TimedRun(&message);
        EXPECT_EQ(message, L"新ExcelFile.xlsxでコピーしました");
        std::printf("ui-%s seconds: %.3f\n", label, seconds);
        ASSERT_TRUE(NoServerLeft());
    }

    void TimeSplit(const fs::path& folder, const std::wstring& book, const char* label) {
        LoadSplit(folder);
        Select(L"List_Seet", {book});
        std::wstring message;
        const double seconds = TimedRun(&message);
        EXPECT_EQ(message, book + L"分割しました");
        std::printf("ui-%s seconds: %.3f\n", label, seconds);
        ASSERT_TRUE(NoServerLeft());
    }
};

TEST_F(ProgramBench, DISABLED_MergeAAndSplitBThroughTheWindows) {
    const wchar_t* dir = _wgetenv(L"ZELMO_BENCH_DIR");
    ASSERT_NE(dir, nullptr) << "ZELMO_BENCH_DIR is not set";
    const fs::path inputs(dir);
    test::SetServerJournal(L"");

    TimeMerge(inputs / "a", L"book", "merge-a");
    TimeSplit(inputs / "b", L"fifty.xlsx", "split-b");
    std::error_code ec;
    if (fs::exists(inputs / "d", ec)) TimeMerge(inputs / "d", L"small", "merge-d");
    if (fs::exists(inputs / "e", ec)) TimeSplit(inputs / "e", L"many.xlsx", "split-e");
}

}  // namespace
}  // namespace zelmo::e2e
