// Start-up: the start page is the first window; the program runs until its last window closes.
#include <windows.h>

#include "app/start_page.h"
#include "ui/main_window.h"
#include "ui/program.h"
#include "win/busy_server.h"
#include "win/com.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zelmo::win::CoInitScope com;  // the file-system service and Excel are COM objects
    // Before any Excel exists: a busy Excel's refused calls are retried, not failed.
    zelmo::win::MessageFilterScope busyFilter;
    zelmo::app::Frm_St startPage;
    startPage.Show();
    const int code = zelmo::ui::program::RunMessageLoop();
    zelmo::ui::MainWindowReference().reset();
    return code;
}
