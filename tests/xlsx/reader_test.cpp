// Copies checked by an independent reader: merges and splits of real-world and generated
// workbooks are saved and compared with their sources through openpyxl (tests/xlsx/check_copy.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "xlsx/workbook.h"

namespace zelmo::xlsx {
namespace {

namespace fs = std::filesystem;
const char* const kPython = "/usr/bin/python3";

bool HaveReader() {
    return fs::exists(kPython) && std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char ch : s) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

class ReaderCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveReader()) GTEST_SKIP() << "python3-openpyxl is not installed";
        dir_ = fs::temp_directory_path() / ("zelmo-xlsx-reader-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        const std::string make = std::string(kPython) + " " + ZELMO_XLSX_SCRIPTS + "/make_fixtures.py " + Quote(dir_.string());
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void Expect(const std::string& src, const std::string& srcSheet, const std::string& out, const std::string& outSheet) {
        args_ += " " + Quote(src) + " " + Quote(srcSheet) + " " + Quote(out) + " " + Quote(outSheet);
    }
    int RunChecker() {
        const std::string cmd = std::string(kPython) + " " + ZELMO_XLSX_SCRIPTS + "/check_copy.py" + args_;
        return std::system(cmd.c_str());
    }
    // Headless LibreOffice converts sources and copies to CSV; 77 when it is not installed.
    int RunSpreadsheetProgram() {
        const std::string cmd = std::string(kPython) + " " + ZELMO_XLSX_SCRIPTS + "/lo_csv_check.py " +
                                Quote((dir_ / "lo").string()) + args_;
        const int rc = std::system(cmd.c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    // Merges every sheet of `inputs` (twice, so every name is taken once) into `out`.
    void Merge(const std::vector<std::string>& inputs, const fs::path& out) {
        Workbook merged = Workbook::CreateNew();
        std::vector<std::string> taken{"Sheet1"};
        for (int round = 0; round < 2; ++round) {
            for (const auto& file : inputs) {
                const Workbook book = Workbook::OpenFile(file);
                const auto sheets = book.Sheets();
                for (std::size_t i = 0; i < sheets.size(); ++i) {
                    const std::string name = UniqueSheetName(sheets[i].name, taken);
                    merged.CopySheet(book, i, merged.SheetCount(), name);
                    taken.push_back(name);
                    Expect(file, sheets[i].name, out.string(), name);
                }
            }
        }
        merged.RemoveSheet(0);
        merged.ResolveLinksToCopies();  // as the stand-in does at SaveAs
        merged.SaveFile(out);
    }
    // Splits every visible sheet of `inputs` into a workbook of its own, except `skip`.
    void Split(const std::vector<std::string>& inputs, const std::string& skip = "") {
        for (const auto& file : inputs) {
            const Workbook book = Workbook::OpenFile(file);
            const auto sheets = book.Sheets();
            for (std::size_t i = 0; i < sheets.size(); ++i) {
                if (sheets[i].state != "visible") continue;  // shown when alone; checked in the merge
                if (sheets[i].name == skip) continue;
                const fs::path out = dir_ / (fs::path(file).stem().string() + "-" + std::to_string(i) + ".xlsx");
                Workbook::FromSheet(book, i).SaveFile(out);
                Expect(file, sheets[i].name, out.string(), sheets[i].name);
            }
        }
    }
    std::vector<std::string> Inputs() const {
        std::vector<std::string> files;
        for (const auto& e : fs::directory_iterator(ZELMO_XLSX_DATA))
            if (e.path().extension() == ".xlsx") files.push_back(e.path().string());
        std::sort(files.begin(), files.end());
        files.push_back((dir_ / "rich.xlsx").string());
        files.push_back((dir_ / "strings.xlsx").string());
        files.push_back((dir_ / "mac1904.xlsx").string());
        return files;
    }
    fs::path dir_;
    std::string args_;
};

TEST_F(ReaderCheck, MergedWorkbookMatchesItsSources) {
    Merge(Inputs(), dir_ / "merged.xlsx");
    EXPECT_EQ(RunChecker(), 0);
}

TEST_F(ReaderCheck, SplitWorkbooksMatchTheirSources) {
    Split(Inputs());
    EXPECT_EQ(RunChecker(), 0);
}

TEST_F(ReaderCheck, ASpreadsheetProgramReadsCopiesAsItReadsTheSources) {
    const std::vector<std::string> some{(dir_ / "rich.xlsx").string(), (dir_ / "strings.xlsx").string(),
                                        std::string(ZELMO_XLSX_DATA) + "/format01.xlsx",
                                        std::string(ZELMO_XLSX_DATA) + "/array_formula01.xlsx",
                                        std::string(ZELMO_XLSX_DATA) + "/rich_string01.xlsx",
                                        std::string(ZELMO_XLSX_DATA) + "/merge_range01.xlsx"};
    Merge(some, dir_ / "merged.xlsx");
    // "別シート" refers to another sheet of its workbook without a cached result: alone in a workbook
    // its formula has nothing to refer to (formulas are copied as written).
    Split(some, "別シート");
    const int rc = RunSpreadsheetProgram();
    if (rc == 77) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    EXPECT_EQ(rc, 0);
}

}  // namespace
}  // namespace zelmo::xlsx
