#include "Actions.h"

#include <cstring>
#include <cwctype>

namespace uidriver {

static std::vector<Action>& Registry() {
    static std::vector<Action> actions;
    return actions;
}

const std::vector<Action>& AllActions() {
    return Registry();
}

const Action* FindAction(const std::string& name) {
    for (const auto& a : Registry()) {
        if (name == a.name) {
            return &a;
        }
    }
    return nullptr;
}

ActionRegistrar::ActionRegistrar(const Action& action) {
    Registry().push_back(action);
}

bool ParseNumber(const std::wstring& text, DWORD& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    DWORD v = 0;
    for (wchar_t c : text) {
        if (!std::iswdigit(c)) {
            return false;
        }
        v = v * 10 + static_cast<DWORD>(c - L'0');
    }
    value = v;
    return true;
}

HWND SaveButton(Session& s) {
    if (!s.btnSave) {
        s.Fail("no Button \"Click here to save report\" in the window");
    }
    return s.btnSave;
}

HWND WaitingLabel(Session& s) {
    if (!s.lblWaiting) {
        s.Fail("no control showing \"==========\" in the window");
    }
    return s.lblWaiting;
}

PressResult PressSave(Session& s) {
    PressResult r;
    HWND button = SaveButton(s);
    if (!button) {
        return r;
    }
    // Posted, not sent: the click handler runs the whole job and its wait loop.
    r.clicked = PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
    r.pressTick = GetTickCount();
    s.out["pressed"] = Json(r.clicked);
    s.out["press_ms"] = Json(static_cast<unsigned long>(s.ElapsedMs()));
    if (!r.clicked) {
        s.Fail("BM_CLICK could not be posted");
    }
    return r;
}

} // namespace uidriver
