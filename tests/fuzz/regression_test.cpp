// Replays every input the fuzzer once broke the engine with (tests/data/fuzz-regressions), and the
// real workbooks it is seeded with, through the fuzzer's own driver: each must be refused with an
// xlsx::Error or survive open, copy, save and reopen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_driver.h"

namespace zelmo::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Inputs() {
    std::vector<std::string> out;
    for (const char* dir : {ZELMO_FUZZ_REGRESSIONS, ZELMO_XLSX_DATA}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            if (entry.is_regular_file() && entry.path().filename().string() != "README.md")
                out.push_back(entry.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class Replay : public ::testing::TestWithParam<std::string> {};

TEST_P(Replay, RefusedOrCopiedSavedAndReopened) {
    const std::string input = Slurp(GetParam());
    try {
        RunOne(input);
    } catch (const Finding& f) {
        FAIL() << GetParam() << ": " << f.what();
    } catch (const std::exception& e) {
        FAIL() << GetParam() << ": unexpected exception: " << e.what();
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = fs::path(info.param).filename().string();
    for (char& ch : name)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'))) ch = '_';
    return std::to_string(info.index) + "_" + name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, Replay, ::testing::ValuesIn(Inputs()), TestName);

TEST(PartList, BuildsAStoredZipFromRecords) {
    const std::string zip = PackageFromInput("a.xml\n<a/>\x01" "b/c.xml\n<c>\n</c>\x01no newline here");
    ASSERT_GE(zip.size(), 4u);
    EXPECT_EQ(zip.compare(0, 4, "PK\x03\x04"), 0);
    EXPECT_NE(zip.find("<c>\n</c>"), std::string::npos);  // stored, not deflated
    EXPECT_EQ(zip.find("no newline here"), std::string::npos);
    EXPECT_EQ(PackageFromInput("PK\x03\x04junk"), "PK\x03\x04junk");
}

}  // namespace
}  // namespace zelmo::fuzz
