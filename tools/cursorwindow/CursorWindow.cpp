// A plain window captioned like the tool, in the button-face colour, whose class cursor is the
// system cursor named by PV_REFERENCE_CURSOR: "hand" (default) or "ibeam". It closes on WM_CLOSE.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    wchar_t name[16] = {};
    GetEnvironmentVariableW(L"PV_REFERENCE_CURSOR", name, 16);
    const bool ibeam = std::wcscmp(name, L"ibeam") == 0;
    WNDCLASSW cls{};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, ibeam ? IDC_IBEAM : IDC_HAND);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    cls.lpszClassName = L"PvCursorWindow";
    RegisterClassW(&cls);
    HWND window = CreateWindowW(L"PvCursorWindow", L"Orvix Plenvia Helper",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 300, 300, 343, 167,
                                nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
