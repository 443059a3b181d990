// Times one merge or split through the whole operation path: MergeBooks / SplitSheets, the COM
// adapter and whichever server is registered as Excel.Application (the stand-in under Wine).
//   ops_bench merge FOLDER NAME1|NAME2|...
//   ops_bench split FOLDER NAME
// Prints the closing message and the seconds from the start to it; as in the program, the
// references are dropped after the message is out (the wall time of the process counts them).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "ops/com_excel.h"
#include "ops/operation.h"
#include "win/com.h"

namespace {

class PrintedMessages : public zelmo::ops::MessageSink {
public:
    explicit PrintedMessages(std::chrono::steady_clock::time_point start) : start_(start) {}
    void Show(const std::u16string& text) override {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        std::printf("message: %s\nseconds: %.3f\n", zelmo::ops::ToUtf8(text).c_str(), elapsed.count());
    }
    void ShowWhile(const std::u16string& text, const std::function<bool()>& step) override {
        Show(text);
        while (step()) {
        }
    }

private:
    std::chrono::steady_clock::time_point start_;
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
    PrintedMessages messages(std::chrono::steady_clock::now());
    const zelmo::ops::OperationContext context{folder, fileList, count, excel, messages};
    if (mode == L"merge") {
        zelmo::ops::MergeBooks(context);
    } else {
        zelmo::ops::SplitSheets(context);
    }
    return 0;
}
