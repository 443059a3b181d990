// Times one merge or split through the whole operation path: MergeBooks / SplitSheets, the COM
// adapter and whichever server is registered as Excel.Application (the stand-in under Wine).
//   ops_bench merge FOLDER NAME1|NAME2|...
//   ops_bench split FOLDER NAME
// Prints the wall time in seconds and the closing message.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "ops/com_excel.h"
#include "ops/operation.h"
#include "win/com.h"

namespace {

class PrintedMessages : public zelmo::ops::MessageSink {
public:
    void Show(const std::u16string& text) override {
        std::printf("message: %s\n", zelmo::ops::ToUtf8(text).c_str());
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ops_bench merge|split FOLDER FILELIST\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    const std::u16string folder = zelmo::win::ToU16(argv[2]);
    const std::u16string fileList = zelmo::win::ToU16(argv[3]);
    int16_t count = 1;
    for (char16_t c : fileList) count = static_cast<int16_t>(count + (c == u'|' ? 1 : 0));

    zelmo::win::CoInitScope com;
    zelmo::ops::ComExcelFactory excel;
    PrintedMessages messages;
    const zelmo::ops::OperationContext context{folder, fileList, count, excel, messages};
    const auto start = std::chrono::steady_clock::now();
    if (mode == L"merge") {
        zelmo::ops::MergeBooks(context);
    } else {
        zelmo::ops::SplitSheets(context);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("seconds: %.3f\n", elapsed.count());
    return 0;
}
