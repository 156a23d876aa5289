// "close-mid-job MS": press, close the window MS ms later while the job runs, and report whether a
// message box appeared and whether the process ended. "close": close the window now.
#include "Actions.h"

namespace uidriver {

namespace {

bool WatchClose(Session& s, DWORD closeTick) {
    bool boxSeen = false;
    for (;;) {
        DWORD now = GetTickCount();
        auto boxes = s.TopLevelWindows(L"#32770");
        if (!boxes.empty() && !boxSeen) {
            boxSeen = true;
            s.out["message_caption"] = Json(WindowText(boxes.front()));
            // Let the tool end anyway so the run does not hang on the box.
            PostMessageW(boxes.front(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        // The window is gone: the held job may go on; the process ends on its own.
        if (!IsWindow(s.main)) {
            s.ResumeHeld();
        }
        if (!s.ProcessAlive()) {
            s.out["close_to_exit_ms"] = Json(static_cast<unsigned long>(now - closeTick));
            break;
        }
        if (now - closeTick > s.opt.timeoutMs) {
            break;
        }
        s.Pause(10);
    }
    s.ResumeHeld();
    s.out["message_box_seen"] = Json(boxSeen);
    bool ended = s.WaitForExit(0);
    s.out["process_ended"] = Json(ended);
    return true;
}

bool CloseMidJob(Session& s, const std::vector<std::wstring>& args) {
    DWORD delay = 0;
    if (!ParseNumber(args[0], delay)) {
        s.Fail("close-mid-job needs a number of milliseconds");
        return false;
    }
    HWND button = SaveButton(s);
    if (!button) {
        return false;
    }
    s.HoldNewThreads();
    PressResult press = PressSave(s);
    if (!press.clicked) {
        return false;
    }
    bool disabledSeen = false;
    bool boxBeforeClose = false;
    // With --hold-job the job's threads stay suspended until the window is gone, so the close
    // lands while the job still runs however short it is.
    while (GetTickCount() - press.pressTick < delay) {
        if (!IsWindowEnabled(button)) {
            disabledSeen = true;
        }
        if (!s.TopLevelWindows(L"#32770").empty()) {
            boxBeforeClose = true;
            break;
        }
        s.Pause(5);
    }
    s.out["threads_held"] = Json(static_cast<unsigned long>(s.HeldCount()));
    s.out["button_disabled_during_job"] = Json(disabledSeen);
    s.out["message_before_close"] = Json(boxBeforeClose);
    DWORD closeTick = GetTickCount();
    PostMessageW(s.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.out["close_posted_ms"] = Json(static_cast<unsigned long>(closeTick - press.pressTick));
    return WatchClose(s, closeTick);
}

bool CloseNow(Session& s, const std::vector<std::wstring>&) {
    DWORD closeTick = GetTickCount();
    PostMessageW(s.main, WM_CLOSE, 0, 0);
    return WatchClose(s, closeTick);
}

ActionRegistrar regMid{{"close-mid-job", 1,
                        "MS: press, then close the window MS ms later (SC_CLOSE), report any "
                        "message box and the end of the process",
                        CloseMidJob, true}};
ActionRegistrar regNow{
    {"close", 0, "close the window (WM_CLOSE) and wait for the process to end", CloseNow, true}};

} // namespace

} // namespace uidriver
