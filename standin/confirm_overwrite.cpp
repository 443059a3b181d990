#include "confirm_overwrite.h"

#include <windows.h>

#include <thread>

#include "ids.h"
#include "journal.h"
#include "lifetime.h"
#include "win/handles.h"

namespace zelmo::standin {
namespace {

BOOL CALLBACK AnswerNo(HWND hwnd, LPARAM) {
    HWND no = GetDlgItem(hwnd, IDNO);
    if (no != nullptr) PostMessageW(no, BM_CLICK, 0, 0);
    return TRUE;
}

// While the question is open: if the client process ends, nobody is left to answer, so the
// question is answered No (nothing is replaced) and the server can end.
class ClientWatch {
public:
    explicit ClientWatch(DWORD uiThread) : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        HANDLE client = Lifetime::Get().clientProcess();
        if (client == nullptr || !done_) return;
        thread_ = std::thread([this, client, uiThread] {
            HANDLE waits[2] = {done_.get(), client};
            while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
                EnumThreadWindows(uiThread, AnswerNo, 0);
                if (WaitForSingleObject(done_.get(), 200) == WAIT_OBJECT_0) break;
            }
        });
    }
    ClientWatch(const ClientWatch&) = delete;
    ClientWatch& operator=(const ClientWatch&) = delete;
    ~ClientWatch() {
        if (done_) SetEvent(done_.get());
        if (thread_.joinable()) thread_.join();
    }

private:
    win::UniqueHandle done_;
    std::thread thread_;
};

}  // namespace

bool ConfirmOverwrite(const std::wstring& fullPath) {
    const std::wstring text = L"「" + fullPath + L"」という名前のファイルが既にあります。置き換えますか?";
    int answer = IDNO;
    {
        ClientWatch watch(GetCurrentThreadId());
        // MB_DEFBUTTON2: No is the default, so that Enter alone never replaces a file.
        answer = MessageBoxW(nullptr, text.c_str(), kServerName,
                             MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND | MB_TOPMOST);
    }
    Journal::Get().Write(std::wstring(L"server overwrite confirmation answered ") + (answer == IDYES ? L"Yes" : L"No"));
    return answer == IDYES;
}

}  // namespace zelmo::standin
