#include "journal.h"

#include <windows.h>

#include "win/handles.h"
#include "win/text.h"

namespace zelmo::standin {

Journal& Journal::Get() {
    static Journal journal;
    return journal;
}

Journal::Journal() : start_(GetTickCount64()) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableW(L"ZELMO_STANDIN_JOURNAL", buffer, MAX_PATH * 4);
    if (length > 0 && length < MAX_PATH * 4) path_.assign(buffer, length);
}

void Journal::Write(std::wstring_view line) {
    if (!enabled()) return;
    const std::string text =
        std::to_string(GetTickCount64() - start_) + " " + win::ToUtf8(line) + "\r\n";
    const win::UniqueHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace zelmo::standin
