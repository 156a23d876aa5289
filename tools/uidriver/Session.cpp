#include "Session.h"

#include <algorithm>
#include <cwctype>

namespace uidriver {

std::wstring WindowText(HWND hwnd) {
    // GetWindowTextW reads another process's window text without waiting on its UI thread.
    wchar_t buf[4096];
    int n = GetWindowTextW(hwnd, buf, 4096);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256];
    int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

static bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

static bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Session::~Session() {
    ResumeHeld();
    if (pi.hProcess) {
        CloseHandle(pi.hProcess);
    }
    if (pi.hThread) {
        CloseHandle(pi.hThread);
    }
}

void Session::Fail(const std::string& what) {
    failed_ = true;
    out["errors"].Push(Json(what));
}

bool Session::Start() {
    std::wstring cwd = opt.cwd;
    if (cwd.empty()) {
        size_t slash = opt.exe.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            cwd = opt.exe.substr(0, slash + 1);
        }
    }
    // Xvfb starts the pointer at the screen's centre, where the tool's window appears: a control
    // under it would be drawn hovered. Actions that hover move it there on purpose.
    SetCursorPos(0, 0);
    POINT parked{-1, -1};
    GetCursorPos(&parked);
    Json at = Json::Array();
    at.Push(Json(static_cast<long>(parked.x)));
    at.Push(Json(static_cast<long>(parked.y)));
    out["pointer_at_start"] = std::move(at);
    std::wstring cmd = L"\"" + opt.exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    debugging_ = opt.holdJobMs != 0;
    DWORD flags = debugging_ ? DEBUG_ONLY_THIS_PROCESS : 0;
    if (!CreateProcessW(opt.exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        Fail("cannot start the tool: error " + std::to_string(GetLastError()));
        return false;
    }
    startTick_ = GetTickCount();
    out["pid"] = Json(static_cast<unsigned long>(pi.dwProcessId));
    return true;
}

std::vector<HWND> Session::TopLevelWindows(const std::wstring& cls) const {
    struct Ctx {
        DWORD pid;
        const std::wstring* cls;
        std::vector<HWND> found;
    } ctx{pi.dwProcessId, &cls, {}};
    struct Visit {
        static BOOL CALLBACK Each(HWND hwnd, LPARAM lp) {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == c->pid && IsWindowVisible(hwnd) &&
                (c->cls->empty() || SameNoCase(ClassOf(hwnd), *c->cls))) {
                c->found.push_back(hwnd);
            }
            return TRUE;
        }
    };
    EnumWindows(Visit::Each, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

bool Session::WaitForMainWindow() {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < opt.timeoutMs) {
        for (HWND h : TopLevelWindows(L"")) {
            if (WindowText(h) == kMainCaption) {
                main = h;
                out["window_ms"] = Json(static_cast<unsigned long>(ElapsedMs()));
                btnSave = FindControl(main, L"Button", L"Click here to save report");
                lblWaiting = FindControl(main, L"", L"==========");
                out["window"] = Describe(main);
                return true;
            }
        }
        if (!ProcessAlive()) {
            Fail("the tool ended before its window appeared");
            WaitForExit(0);
            return false;
        }
        Pause(20);
    }
    Fail("no window captioned \"Orvix Plenvia Helper\" within the timeout");
    return false;
}

bool Session::ProcessAlive() const {
    return pi.hProcess && !exited_ && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool Session::WaitForExit(DWORD ms) {
    if (!pi.hProcess) {
        return false;
    }
    DWORD start = GetTickCount();
    while (debugging_ && !exited_ && GetTickCount() - start < ms) {
        Pause(20);
    }
    DWORD left = ms - std::min(ms, GetTickCount() - start);
    if (WaitForSingleObject(pi.hProcess, debugging_ ? std::max<DWORD>(left, 2000) : ms) !=
        WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = exitCode_;
    if (!exited_) {
        GetExitCodeProcess(pi.hProcess, &code);
    }
    out["exit_code"] = Json(static_cast<unsigned long>(code));
    return true;
}

void Session::Pause(DWORD ms) {
    if (!debugging_ || exited_) {
        Sleep(ms);
        return;
    }
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        DEBUG_EVENT ev{};
        if (!WaitForDebugEvent(&ev, spent >= ms ? 0 : ms - spent)) {
            if (spent >= ms) {
                return;
            }
            continue;
        }
        DWORD status = DBG_CONTINUE;
        HandleDebugEvent(ev, status);
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
        if (exited_) {
            DWORD rest = GetTickCount() - start;
            Sleep(rest >= ms ? 0 : ms - rest);
            return;
        }
    }
}

void Session::HandleDebugEvent(const DEBUG_EVENT& ev, DWORD& status) {
    switch (ev.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
        if (ev.u.CreateProcessInfo.hFile) {
            CloseHandle(ev.u.CreateProcessInfo.hFile);
        }
        break;
    case LOAD_DLL_DEBUG_EVENT:
        if (ev.u.LoadDll.hFile) {
            CloseHandle(ev.u.LoadDll.hFile);
        }
        break;
    case CREATE_THREAD_DEBUG_EVENT:
        if (holding_) {
            HANDLE t = nullptr;
            if (DuplicateHandle(GetCurrentProcess(), ev.u.CreateThread.hThread, GetCurrentProcess(),
                                &t, THREAD_SUSPEND_RESUME, FALSE, 0) &&
                SuspendThread(t) != static_cast<DWORD>(-1)) {
                held_.push_back(t);
            } else if (t) {
                CloseHandle(t);
            }
        }
        break;
    case EXCEPTION_DEBUG_EVENT:
        // The loader's initial breakpoint is ours to swallow; every other exception goes back
        // to the tool's own handlers.
        if (!sawBreakpoint_ &&
            ev.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
            sawBreakpoint_ = true;
        } else {
            status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
    case EXIT_PROCESS_DEBUG_EVENT:
        exited_ = true;
        exitCode_ = ev.u.ExitProcess.dwExitCode;
        break;
    default:
        break;
    }
}

std::vector<Control> Session::Controls(HWND parent) const {
    struct Ctx {
        HWND parent;
        std::vector<Control> list;
    } ctx{parent, {}};
    struct Visit {
        static BOOL CALLBACK Each(HWND hwnd, LPARAM lp) {
            auto* c = reinterpret_cast<Ctx*>(lp);
            Control ctl;
            ctl.hwnd = hwnd;
            ctl.cls = ClassOf(hwnd);
            ctl.text = WindowText(hwnd);
            ctl.id = GetDlgCtrlID(hwnd);
            ctl.visible = IsWindowVisible(hwnd) != FALSE;
            ctl.enabled = IsWindowEnabled(hwnd) != FALSE;
            GetWindowRect(hwnd, &ctl.rect);
            MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&ctl.rect), 2);
            c->list.push_back(ctl);
            return TRUE;
        }
    };
    EnumChildWindows(parent, Visit::Each, reinterpret_cast<LPARAM>(&ctx));
    return ctx.list;
}

HWND Session::FindControl(HWND parent, const std::wstring& cls, const std::wstring& text) const {
    for (const auto& c : Controls(parent)) {
        if ((cls.empty() || SameNoCase(c.cls, cls)) && (text.empty() || c.text == text)) {
            return c.hwnd;
        }
    }
    return nullptr;
}

static Json RectJson(const RECT& r) {
    Json a = Json::Array();
    a.Push(Json(static_cast<long>(r.left)));
    a.Push(Json(static_cast<long>(r.top)));
    a.Push(Json(static_cast<long>(r.right - r.left)));
    a.Push(Json(static_cast<long>(r.bottom - r.top)));
    return a;
}

Json Session::Describe(HWND window) const {
    Json w = Json::Object();
    w["caption"] = Json(WindowText(window));
    w["class"] = Json(ClassOf(window));
    RECT client{};
    GetClientRect(window, &client);
    Json size = Json::Array();
    size.Push(Json(static_cast<long>(client.right - client.left)));
    size.Push(Json(static_cast<long>(client.bottom - client.top)));
    w["client"] = size;
    RECT outer{};
    GetWindowRect(window, &outer);
    w["rect"] = RectJson(outer);
    w["style"] =
        Json(static_cast<int64_t>(static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE))));
    w["exstyle"] =
        Json(static_cast<int64_t>(static_cast<uint32_t>(GetWindowLongW(window, GWL_EXSTYLE))));
    w["visible"] = Json(IsWindowVisible(window) != FALSE);
    w["enabled"] = Json(IsWindowEnabled(window) != FALSE);
    Json controls = Json::Array();
    for (const auto& c : Controls(window)) {
        Json j = Json::Object();
        j["class"] = Json(c.cls);
        j["text"] = Json(c.text);
        j["id"] = Json(c.id);
        j["visible"] = Json(c.visible);
        j["enabled"] = Json(c.enabled);
        j["rect"] = RectJson(c.rect);
        j["style"] =
            Json(static_cast<int64_t>(static_cast<uint32_t>(GetWindowLongW(c.hwnd, GWL_STYLE))));
        controls.Push(std::move(j));
    }
    w["controls"] = std::move(controls);
    return w;
}

bool Session::WaitForSignal(const std::wstring& stage) {
    if (opt.signalDir.empty()) {
        Fail("waiting for a signal needs --signal-dir");
        return false;
    }
    std::wstring base = opt.signalDir + L"\\" + stage;
    HANDLE f = CreateFileW((base + L".reached").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        CloseHandle(f);
    }
    // The caller decides how long it needs (a screenshot, a check of the files); the process
    // may end meanwhile, which the next step reports.
    DWORD start = GetTickCount();
    while (!FileExists(base + L".go")) {
        if (GetTickCount() - start > opt.timeoutMs) {
            Fail("no " + Utf8(stage) + ".go signal within the timeout");
            return false;
        }
        Pause(20);
    }
    return true;
}

void Session::Checkpoint(const std::wstring& stage) {
    if (std::find(opt.pauseAt.begin(), opt.pauseAt.end(), stage) != opt.pauseAt.end()) {
        WaitForSignal(stage);
    }
}

void Session::ResumeHeld() {
    holding_ = false;
    for (HANDLE t : held_) {
        ResumeThread(t);
        CloseHandle(t);
    }
    held_.clear();
}

} // namespace uidriver
