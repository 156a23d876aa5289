#include "app/win32/FormMain.h"
#include "app/FormMainRules.h"
#include "app/win32/FormMainIds.h"
#include "app/win32/PrivacyPage.h"
#include "controls/win32/HtmLabelWindow.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "report/win32/Feedback.h"
#include <shlobj.h>
#include <exception>
#include <memory>
#include <stdexcept>

namespace pv {

namespace {

// Live for the whole run, outside the window.
bool WindowClosed = false;
int32_t WaitingStep = 1;

struct FormMainState {
    HWND Window = nullptr;
    HWND Rd1 = nullptr;
    HWND BtnSave = nullptr;
    HWND LblWaiting = nullptr;
    // Made with the window and freed when its last child has gone (WM_NCDESTROY).
    UniqueGdiObject WindowFont;
    UniqueGdiObject BoldFont;
    bool Waiting = false;    // btnSaveClick is in its wait loop
    bool JobStarted = false; // one job per run
    std::shared_ptr<TJobState> Job;
};
FormMainState g_form;

constexpr int kClientWidth = 337;
constexpr int kClientHeight = 142;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;
constexpr COLORREF kGray = RGB(128, 128, 128);

UniqueGdiObject MakeTahoma(int weight) {
    return UniqueGdiObject(::CreateFontW(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

HFONT WindowFont() {
    return static_cast<HFONT>(g_form.WindowFont.get());
}
HFONT BoldFont() {
    return static_cast<HFONT>(g_form.BoldFont.get());
}

void FreeFonts() {
    g_form.WindowFont.reset();
    g_form.BoldFont.reset();
}

HWND MakeChild(HWND parent, const wchar_t* cls, const char16_t* text, DWORD style, int x, int y,
               int width, int height, int id, HFONT font) {
    HWND child = ::CreateWindowExW(
        0, cls, W(std::u16string(text)), WS_CHILD | style, x, y, width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (child != nullptr) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return child;
}

// The privacy link: the mark-up label with one link item (hot-light hover colour, hand cursor)
// whose click opens the privacy page.
HWND CreateRd1(HWND parent) {
    auto rd1 = std::make_unique<TRdHtmLabel>();
    rd1->SetBounds(24, 16, 289, 49);
    rd1->SetLines({kLinkCaption});
    TRdHtmLabelLink& item = rd1->LinkItems().Add();
    item.FontHover().SetColor(clHotLight);
    item.Cursor = crHandPoint;
    item.OnClick = [](TRdHtmLabelLink&) { rd1LinkItems0Click(); };
    HWND window = CreateHtmLabelWindow(parent, PV_ID_RD1, std::move(rd1));
    if (window != nullptr) {
        ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont()), FALSE);
    }
    return window;
}

void FormCreate() {
    WindowClosed = false;
}

void FormClose() {
    WindowClosed = true;
    // The process ends without waiting for the job; it must not publish an archive on its way.
    if (g_form.Job && !g_form.Job->Finished.load()) {
        g_form.Job->Placement.Abandon();
    }
}

void tmrWaitingTimer() {
    ::SetWindowTextW(g_form.LblWaiting, W(WaitingFrame(WaitingStep)));
    WaitingStep = NextWaitingStep(WaitingStep);
}

// CSIDL_DESKTOPDIRECTORY with a trailing backslash; empty when the shell cannot give it. The item
// list is asked first; where the shell makes none for the folder (a Desktop redirected to a share
// can give E_INVALIDARG), the folder path the shell keeps for it is the same folder, and without it
// no archive could be placed at all.
std::u16string DesktopFolder() {
    wchar_t buffer[MAX_PATH] = {};
    UniqueCoTaskMemory<ITEMIDLIST> pidl;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, pidl.put())) &&
        pidl && ::SHGetPathFromIDListW(pidl.get(), buffer) && buffer[0] != L'\0') {
        return WithTrailingBackslash(U16(buffer));
    }
    buffer[0] = L'\0';
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT,
                                  buffer)) ||
        buffer[0] == L'\0') {
        return {};
    }
    return WithTrailingBackslash(U16(buffer));
}

std::u16string TodaysArchiveName() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return ArchiveFileName(now.wYear, now.wMonth, now.wDay);
}

// Runs pending messages; false when the message loop was asked to quit.
bool ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (!FormMainDialogMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

// Back to idle: label hidden, timer off, button enabled. Runs also when the wait ends by an error.
struct WaitingGuard {
    WaitingGuard() {
        ::EnableWindow(g_form.BtnSave, FALSE);
        ::SetTimer(g_form.Window, PV_TIMER_WAITING, 100, nullptr);
        ::ShowWindow(g_form.LblWaiting, SW_SHOW);
        g_form.Waiting = true;
    }
    ~WaitingGuard() {
        ::ShowWindow(g_form.LblWaiting, SW_HIDE);
        ::KillTimer(g_form.Window, PV_TIMER_WAITING);
        ::EnableWindow(g_form.BtnSave, TRUE);
        g_form.Waiting = false;
    }
    WaitingGuard(const WaitingGuard&) = delete;
    WaitingGuard& operator=(const WaitingGuard&) = delete;
};

void btnSaveClick() {
    if (g_form.JobStarted) {
        return;
    }
    g_form.JobStarted = true;
    bool saved = false;
    std::u16string archiveName;
    {
        WaitingGuard waiting;
        const std::u16string desktop = DesktopFolder();
        // Without a desktop folder the archive would land in the current folder of an elevated
        // process; no job is started and the failure is reported.
        if (!desktop.empty()) {
            archiveName = TodaysArchiveName();
            const std::shared_ptr<TJobState> job = StartFeedback(desktop + archiveName);
            g_form.Job = job;
            while (job && !job->Finished.load()) {
                if (!ProcessMessages() || WindowClosed) {
                    break;
                }
                ::Sleep(100);
            }
            saved = job && job->Finished.load() && job->ArchiveSaved.load();
        }
    }
    if (!WindowClosed) {
        const std::u16string text = EndOfJobText(saved, archiveName);
        ::MessageBoxW(g_form.Window, W(text), W(std::u16string(kCompletedCaption)),
                      MB_OK | MB_ICONINFORMATION);
    }
    ::PostMessageW(g_form.Window, WM_CLOSE, 0, 0);
}

void CreateChildren(HWND window) {
    g_form.Window = window;
    g_form.Rd1 = CreateRd1(window);
    g_form.BtnSave =
        MakeChild(window, L"BUTTON", kSaveButtonCaption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                  80, 71, 177, 33, PV_ID_BTNSAVE, BoldFont());
    g_form.LblWaiting = MakeChild(window, L"STATIC", kWaitingIdleText, SS_CENTER, 80, 103, 177, 13,
                                  PV_ID_LBLWAITING, BoldFont());
}

// The application's default handling of an error that escaped a handler.
void ShowError(HWND window, const std::exception& error) {
    ::MessageBoxW(window, W(FromUtf8(error.what())), W(std::u16string(kApplicationTitle)),
                  MB_OK | MB_ICONERROR);
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateChildren(window);
        FormCreate();
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == PV_ID_BTNSAVE && code == BN_CLICKED) {
            btnSaveClick();
        } else if (id == IDOK && ::GetFocus() == g_form.BtnSave &&
                   ::IsWindowEnabled(g_form.BtnSave)) {
            btnSaveClick();
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == PV_TIMER_WAITING) {
            tmrWaitingTimer();
        }
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const HWND control = reinterpret_cast<HWND>(lParam);
        ::SetTextColor(dc, control == g_form.LblWaiting ? kGray : ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CLOSE:
        FormClose();
        if (g_form.Waiting) {
            // The wait loop sees WindowClosed at its next turn and closes the window again.
            ::ShowWindow(window, SW_HIDE);
        } else {
            ::DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        g_form.Window = nullptr;
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        FreeFonts();
        return ::DefWindowProcW(window, message, wParam, lParam);
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK FormMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowError(window, error);
    } catch (...) {
        ShowError(window, std::runtime_error("Unexpected error"));
    }
    return 0;
}

} // namespace

HWND CreateFormMain(HINSTANCE instance) {
    g_form.WindowFont = MakeTahoma(FW_NORMAL);
    g_form.BoldFont = MakeTahoma(FW_BOLD);

    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = FormMainProc;
    cls.hInstance = instance;
    cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    cls.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = PV_FORMMAIN_CLASS;
    if (!::RegisterClassExW(&cls)) {
        FreeFonts();
        return nullptr;
    }

    // Designed at 96 dpi and not rescaled: the client area is exactly 337 x 142.
    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;

    HWND window =
        ::CreateWindowExW(kWindowExStyle, PV_FORMMAIN_CLASS, W(std::u16string(kWindowCaption)),
                          kWindowStyle, x, y, width, height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        FreeFonts();
        return nullptr;
    }
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont()), FALSE);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    ::SetFocus(g_form.BtnSave);
    return window;
}

bool FormMainDialogMessage(MSG& msg) {
    return g_form.Window != nullptr && ::IsDialogMessageW(g_form.Window, &msg) != FALSE;
}

bool FormMainJobRunning() {
    return g_form.Job && !g_form.Job->Finished.load();
}

} // namespace pv
