// "press": click btnSave like a user, watch the waiting animation and the button while the job
// runs, read the completion message, press OK and wait for the tool to end.
#include "Actions.h"

#include <algorithm>

namespace uidriver {

namespace {

struct Message {
    HWND dialog = nullptr;
    std::wstring caption;
    std::wstring text;
};

Message FindMessageBox(Session& s) {
    Message m;
    for (HWND h : s.TopLevelWindows(L"#32770")) {
        m.dialog = h;
        m.caption = WindowText(h);
        for (const auto& c : s.Controls(h)) {
            if (_wcsicmp(c.cls.c_str(), L"Static") == 0 && !c.text.empty()) {
                m.text = c.text;
                break;
            }
        }
        return m;
    }
    return m;
}

void PressOk(Session& s, HWND dialog) {
    HWND ok = GetDlgItem(dialog, IDOK);
    if (ok) {
        PostMessageW(ok, BM_CLICK, 0, 0);
    } else {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    s.out["ok_pressed"] = Json(true);
}

// Posts `clicks` clicks at once (a second one reaches the tool's queue before the first is
// handled), then watches the job as "press" does.
bool PressTimes(Session& s, int clicks) {
    HWND button = SaveButton(s);
    HWND label = WaitingLabel(s);
    if (!button || !label) {
        return false;
    }
    s.HoldNewThreads();
    PressResult press = PressSave(s);
    if (!press.clicked) {
        return false;
    }
    for (int i = 1; i < clicks; ++i) {
        PostMessageW(button, BM_CLICK, 0, 0);
    }

    Json frames = Json::Array();
    Json frameMs = Json::Array();
    std::wstring last;
    bool haveLast = false;
    bool disabledSeen = false;
    bool labelShown = false;
    size_t held = 0;
    Message msg;

    for (;;) {
        DWORD now = GetTickCount();
        if (now - press.pressTick > s.opt.timeoutMs) {
            s.Fail("no \"Completed\" message within the timeout");
            break;
        }
        bool enabled = IsWindowEnabled(button) != FALSE;
        if (!enabled) {
            disabledSeen = true;
        }
        if (now - press.pressTick >= s.opt.holdJobMs && s.HeldCount()) {
            held = std::max(held, s.HeldCount());
            s.ResumeHeld();
        }
        if (IsWindowVisible(label)) {
            labelShown = true;
            std::wstring text = WindowText(label);
            if (!haveLast || text != last) {
                frames.Push(Json(text));
                frameMs.Push(Json(static_cast<unsigned long>(now - press.pressTick)));
                last = text;
                haveLast = true;
            }
        }
        msg = FindMessageBox(s);
        if (msg.dialog) {
            s.out["press_to_message_ms"] = Json(static_cast<unsigned long>(now - press.pressTick));
            s.out["button_enabled_at_message"] = Json(IsWindowEnabled(button) != FALSE);
            s.out["label_visible_at_message"] = Json(IsWindowVisible(label) != FALSE);
            break;
        }
        if (!s.ProcessAlive()) {
            s.Fail("the tool ended without a message box");
            break;
        }
        s.Pause(20);
    }
    held = std::max(held, s.HeldCount());
    s.ResumeHeld();
    s.out["threads_held"] = Json(static_cast<unsigned long>(held));
    s.out["frames"] = std::move(frames);
    s.out["frame_ms"] = std::move(frameMs);
    s.out["button_disabled_during_job"] = Json(disabledSeen);
    s.out["label_shown_during_job"] = Json(labelShown);
    if (!msg.dialog) {
        s.out["message"] = Json();
        return false;
    }
    Json m = Json::Object();
    m["caption"] = Json(msg.caption);
    m["text"] = Json(msg.text);
    m["owned_by_window"] = Json(GetWindow(msg.dialog, GW_OWNER) == s.main);
    s.out["message"] = std::move(m);
    s.Checkpoint(L"message");
    PressOk(s, msg.dialog);
    return true;
}

bool Press(Session& s, const std::vector<std::wstring>&) {
    return PressTimes(s, 1);
}

bool DoublePress(Session& s, const std::vector<std::wstring>&) {
    return PressTimes(s, 2);
}

ActionRegistrar regDouble{{"double-press", 0,
                           "press with two clicks posted at once, as a quick double click",
                           DoublePress, true}};
ActionRegistrar reg{{"press", 0,
                     "click btnSave, sample lblWaiting and btnSave, read and confirm the "
                     "\"Completed\" message",
                     Press, true}};

} // namespace

} // namespace uidriver
