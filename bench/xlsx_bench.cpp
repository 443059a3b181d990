// Benchmark driver: merges and splits workbooks with the engine the way the program does, and, for
// comparison, unzips and rezips a package with libzip (every entry inflated and deflated again).
//   xlsx_bench merge OUT.xlsx IN.xlsx...
//   xlsx_bench split IN.xlsx OUTDIR
//   xlsx_bench rezip OUT.xlsx IN.xlsx...   (each input to OUT-<n>.xlsx)
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "xlsx/workbook.h"
#include "zip_handle.h"

namespace {

using zelmo::xlsx::Workbook;
using zelmo::xlsx::ZipArchive;
namespace fs = std::filesystem;

// The command line as paths: wide on Windows (any file name), UTF-8 elsewhere.
std::vector<fs::path> Arguments(int argc, char** argv) {
    std::vector<fs::path> args;
#ifdef _WIN32
    (void)argv;
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 0; i < n && wide; ++i) args.emplace_back(wide[i]);
    LocalFree(wide);
    (void)argc;
#else
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
#endif
    return args;
}

int Merge(const fs::path& out, const std::vector<fs::path>& inputs) {
    Workbook merged = Workbook::CreateNew();
    bool first = true;
    for (const auto& in : inputs) {
        const Workbook book = Workbook::OpenFile(in);
        const auto sheets = book.Sheets();
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            if (first) {  // the first copy makes the new workbook, as a copy to nowhere does
                merged = Workbook::FromSheet(book, i);
                first = false;
                continue;
            }
            std::vector<std::string> taken;
            for (const auto& s : merged.Sheets()) taken.push_back(s.name);
            const std::string name = zelmo::xlsx::UniqueSheetName(sheets[i].name, taken);
            merged.CopySheet(book, i, merged.SheetCount(), name);
        }
    }
    merged.SaveFile(out);
    return 0;
}

int Split(const fs::path& in, const fs::path& outDir) {
    const Workbook book = Workbook::OpenFile(in);
    const auto sheets = book.Sheets();
    std::filesystem::create_directories(outDir);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const Workbook one = Workbook::FromSheet(book, i);
        one.SaveFile(outDir / fs::u8path(sheets[i].name + ".xlsx"));
    }
    return 0;
}

int Rezip(const fs::path& in, const fs::path& out) {
    int err = 0;
    const ZipArchive src(zip_open(in.string().c_str(), ZIP_RDONLY, &err));
    if (!src) return 1;
    ZipArchive dst(zip_open(out.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err));
    if (!dst) return 1;
    std::vector<std::string> contents;
    const zip_int64_t n = zip_get_num_entries(src.get(), 0);
    contents.reserve(static_cast<std::size_t>(n));
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_index(src.get(), static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(static_cast<std::size_t>(st.size), '\0');
        zip_file_t* f = zip_fopen_index(src.get(), static_cast<zip_uint64_t>(i), 0);
        if (!data.empty()) zip_fread(f, &data[0], data.size());
        zip_fclose(f);
        contents.push_back(std::move(data));
        zip_source_t* s = zip_source_buffer(dst.get(), contents.back().data(), contents.back().size(), 0);
        const zip_int64_t idx = zip_file_add(dst.get(), st.name, s, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(dst.get(), static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 6);
    }
    return zelmo::xlsx::Close(dst) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<fs::path> args = Arguments(argc, argv);
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: xlsx_bench merge OUT IN... | split IN OUTDIR | rezip OUT IN...\n");
        return 2;
    }
    const std::string mode = args[1].string();
    try {
        if (mode == "merge") return Merge(args[2], std::vector<fs::path>(args.begin() + 3, args.end()));
        if (mode == "split") return Split(args[2], args[3]);
        if (mode == "rezip") {
            for (std::size_t i = 3; i < args.size(); ++i)
                if (Rezip(args[i], args[2].string() + "-" + std::to_string(i - 2) + ".xlsx") != 0) return 1;
            return 0;
        }
    } catch (const zelmo::xlsx::Error& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
