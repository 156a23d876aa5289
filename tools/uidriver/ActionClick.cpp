// "click X Y": a left click at a point of the main window's client area, delivered to the child
// under it as the mouse messages a real click produces.
#include "Actions.h"

namespace uidriver {

namespace {

bool ParseCoord(const std::wstring& text, int& value) {
    bool negative = !text.empty() && text[0] == L'-';
    DWORD v = 0;
    if (!ParseNumber(negative ? text.substr(1) : text, v)) {
        return false;
    }
    value = negative ? -static_cast<int>(v) : static_cast<int>(v);
    return true;
}

bool ClickAt(Session& s, const std::vector<std::wstring>& args) {
    POINT pt{};
    int x = 0, y = 0;
    if (!ParseCoord(args[0], x) || !ParseCoord(args[1], y)) {
        s.Fail("click needs two client coordinates");
        return false;
    }
    pt.x = x;
    pt.y = y;
    HWND target = ChildWindowFromPointEx(s.main, pt, CWP_SKIPINVISIBLE);
    if (!target) {
        target = s.main;
    }
    POINT local = pt;
    MapWindowPoints(s.main, target, &local, 1);
    LPARAM at = MAKELPARAM(local.x, local.y);
    PostMessageW(target, WM_MOUSEMOVE, 0, at);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(target, WM_LBUTTONUP, 0, at);
    Json click = Json::Object();
    click["target_class"] = Json(ClassOf(target));
    click["target_text"] = Json(WindowText(target));
    s.out["clicks"].Push(std::move(click));
    s.Pause(200);
    return true;
}

ActionRegistrar reg{{"click", 2, "X Y: left click at a client point of the main window", ClickAt}};

} // namespace

} // namespace uidriver
