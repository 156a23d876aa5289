#pragma once
// One driven run of the tool: its process, its main window, the options and the JSON report.
#include "Json.h"

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

inline constexpr const wchar_t* kMainCaption = L"Orvix Plenvia Helper";

struct Options {
    std::wstring exe;        // full Windows path of the tool
    std::wstring cwd;        // current folder for the tool; empty = the exe's folder
    DWORD timeoutMs = 60000; // for each wait (window, message box, exit)
    // Keep threads started after the press suspended this long. The tool then runs under the
    // driver as its debugger, which hears of each new thread before it runs a single instruction.
    DWORD holdJobMs = 0;
    std::wstring signalDir;            // folder for <stage>.reached / <stage>.go files
    std::vector<std::wstring> pauseAt; // stages at which to wait for <stage>.go
};

struct Control {
    HWND hwnd = nullptr;
    std::wstring cls;
    std::wstring text;
    int id = 0;
    bool visible = false;
    bool enabled = false;
    RECT rect{}; // in the parent's client coordinates
};

class Session {
public:
    explicit Session(Options options) : opt(std::move(options)) {}
    ~Session();

    Options opt;
    Json out = Json::Object(); // the report printed at the end; actions add their own keys
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
    HWND btnSave = nullptr;    // Button "Click here to save report"
    HWND lblWaiting = nullptr; // the control that shows "==========" when the window appears

    // Records an error in out["errors"]; the driver then exits with 1.
    void Fail(const std::string& what);
    bool Failed() const { return failed_; }

    bool Start();
    bool WaitForMainWindow();
    bool ProcessAlive() const;
    // Waits up to ms for the process to end; fills out["exit_code"] when it did.
    bool WaitForExit(DWORD ms);
    DWORD ElapsedMs() const { return GetTickCount() - startTick_; }

    // Children of `parent` (all levels), as Windows enumerates them.
    std::vector<Control> Controls(HWND parent) const;
    // First child whose class (case-insensitive) and text match; text empty = any.
    HWND FindControl(HWND parent, const std::wstring& cls, const std::wstring& text) const;
    // Visible top-level windows of the tool's process with this class (empty = any class).
    std::vector<HWND> TopLevelWindows(const std::wstring& cls) const;
    Json Describe(HWND window) const;

    // When `stage` is one of --pause-at: writes <stage>.reached and waits for <stage>.go.
    void Checkpoint(const std::wstring& stage);
    // Unconditional version used by actions that wait for the caller.
    bool WaitForSignal(const std::wstring& stage);

    // Waits ms milliseconds; while the tool runs under the driver as debugger this also answers
    // its debug events (use it instead of Sleep everywhere).
    void Pause(DWORD ms);
    // From now on, threads the tool starts are suspended as they appear (only with holdJobMs).
    void HoldNewThreads() { holding_ = opt.holdJobMs != 0; }
    // Stops holding and resumes every held thread.
    void ResumeHeld();
    size_t HeldCount() const { return held_.size(); }

private:
    void HandleDebugEvent(const DEBUG_EVENT& ev, DWORD& status);

    bool failed_ = false;
    bool debugging_ = false;
    bool holding_ = false;
    bool exited_ = false;
    bool sawBreakpoint_ = false;
    DWORD exitCode_ = 0;
    DWORD startTick_ = GetTickCount();
    std::vector<HANDLE> held_;
};

std::wstring WindowText(HWND hwnd);
std::wstring ClassOf(HWND hwnd);

} // namespace uidriver
