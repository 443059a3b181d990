// Not a test: the timing of the UI path for bench/program_bench.sh, run only when asked for
// (--gtest_also_run_disabled_tests) with ZELMO_BENCH_DIR naming a folder that holds the inputs
// a/book*.xlsx and b/fifty.xlsx. Times "実行" from the click to the closing message, once for a
// merge of every book of a/ and once for the split of b/fifty.xlsx, and prints the seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "e2e_fixture.h"

namespace zelmo::e2e {
namespace {

class ProgramBench : public EndToEndTest {
protected:
    double TimedRun(std::wstring* message) {
        const auto start = std::chrono::steady_clock::now();
        *message = Run().message;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

TEST_F(ProgramBench, DISABLED_MergeAAndSplitBThroughTheWindows) {
    const wchar_t* dir = _wgetenv(L"ZELMO_BENCH_DIR");
    ASSERT_NE(dir, nullptr) << "ZELMO_BENCH_DIR is not set";
    const fs::path inputs(dir);
    SetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", nullptr);

    LoadMerge(inputs / "a");
    std::vector<std::wstring> books;
    for (const auto& name : ui::Entries(C(L"List_Book"))) {
        if (name.rfind(L"book", 0) == 0) books.push_back(name);
    }
    Select(L"List_Book", books);
    std::wstring message;
    const double merge = TimedRun(&message);
    EXPECT_EQ(message, L"新ExcelFile.xlsxでコピーしました");
    std::printf("ui-merge-a seconds: %.3f\n", merge);
    ASSERT_TRUE(NoServerLeft());

    LoadSplit(inputs / "b");
    Select(L"List_Seet", {L"fifty.xlsx"});
    const double split = TimedRun(&message);
    EXPECT_EQ(message, L"fifty.xlsx分割しました");
    std::printf("ui-split-b seconds: %.3f\n", split);
}

}  // namespace
}  // namespace zelmo::e2e
