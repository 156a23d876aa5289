#include "app/FormMainRules.h"
#include "app/win32/FormMain.h"
#include "platform/Text.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Wow64View.h"
#include "report/win32/StartUp.h"
#include <windows.h>
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // The environment the 32-bit exe runs with, before any thread or shell call reads it.
    pv::Use32BitEnvironment();

    // Libraries loaded later come from System32 only, never from the program's or current folder;
    // on systems without the search flags, at least never from the current folder.
    pv::RestrictLibrarySearch();

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    // The report job's shared services exist before the window that starts the job.
    pv::StartReportServices();

    HWND window = pv::CreateFormMain(instance);
    if (window == nullptr) {
        pv::StopReportServices();
        return 1;
    }

    MSG msg;
    int exitCode = 0;
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            exitCode = got == 0 ? static_cast<int>(msg.wParam) : 1;
            break;
        }
        if (!pv::FormMainDialogMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    // A job still running when the window was closed is neither stopped nor waited for: the
    // process ends at once, before any shared object it may use is released.
    if (pv::FormMainJobRunning()) {
        ::ExitProcess(static_cast<UINT>(exitCode));
    }
    pv::StopReportServices();
    return exitCode;
}
