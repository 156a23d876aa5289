// The window's visible contract in miniature: caption, btnSave, lblWaiting and its animation, a job
// on a worker thread that lasts PV_TESTWINDOW_JOB_MS milliseconds, the "Completed" message.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

HWND g_button = nullptr;
HWND g_label = nullptr;
bool g_closed = false;
int g_step = 1;
DWORD g_jobMs = 0;

void Tick() {
    std::wstring line(10, L'=');
    line[static_cast<size_t>(g_step)] = L'>';
    line[g_step == 0 ? 9 : static_cast<size_t>(g_step - 1)] = L'>';
    SetWindowTextW(g_label, line.c_str());
    g_step = (g_step + 1) % 10;
}

void Save(HWND hwnd) {
    EnableWindow(g_button, FALSE);
    SetTimer(hwnd, 1, 100, nullptr);
    ShowWindow(g_label, SW_SHOW);
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([done] {
        Sleep(g_jobMs);
        *done = true;
    }).detach();
    while (!*done) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Leave the quit for the outer loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                g_closed = true;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (g_closed) {
            break;
        }
        Sleep(100);
    }
    ShowWindow(g_label, SW_HIDE);
    KillTimer(hwnd, 1);
    EnableWindow(g_button, TRUE);
    if (!g_closed) {
        MessageBoxW(hwnd, L"Report file has been saved to desktop\rFilename : pv_info_test_i.zip",
                    L"Completed", MB_OK | MB_ICONINFORMATION);
    }
    if (IsWindow(hwnd)) {
        DestroyWindow(hwnd);
    }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lp) == g_button && HIWORD(wp) == BN_CLICKED) {
            Save(hwnd);
        }
        return 0;
    case WM_TIMER:
        Tick();
        return 0;
    case WM_CLOSE:
        g_closed = true;
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int show) {
    wchar_t ms[16] = L"0";
    GetEnvironmentVariableW(L"PV_TESTWINDOW_JOB_MS", ms, 16);
    g_jobMs = static_cast<DWORD>(std::wcstoul(ms, nullptr, 10));
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"TestFormMain";
    RegisterClassW(&wc);
    RECT r{0, 0, 337, 142};
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&r, style, FALSE);
    HWND hwnd = CreateWindowW(L"TestFormMain", L"Orvix Plenvia Helper", style, 100, 100,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
    g_button = CreateWindowW(L"Button", L"Click here to save report",
                             WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 80, 71, 177, 33, hwnd, nullptr,
                             inst, nullptr);
    g_label = CreateWindowW(L"Static", L"==========", WS_CHILD | SS_CENTER, 80, 103, 177, 13, hwnd,
                            nullptr, inst, nullptr);
    ShowWindow(hwnd, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
