// Real-pointer actions for the link label:
//   "hover X Y"       moves the system pointer to a client point of the main window and reports
//                     the cursor then shown (GetCursorInfo) against the system hand cursor.
//   "mouse-click X Y" moves the pointer there and clicks the left button with SendInput.
// Both record the client origin on the screen, so a caller can map screenshot pixels.
#include "Actions.h"

namespace uidriver {

namespace {

bool ParseClientPoint(Session& s, const std::vector<std::wstring>& args, POINT& pt) {
    DWORD x = 0, y = 0;
    if (!ParseNumber(args[0], x) || !ParseNumber(args[1], y)) {
        s.Fail("needs two client coordinates");
        return false;
    }
    pt.x = static_cast<LONG>(x);
    pt.y = static_cast<LONG>(y);
    return true;
}

Json PointerRecord(Session& s, POINT client) {
    POINT origin{0, 0};
    ClientToScreen(s.main, &origin);
    Json rec = Json::Object();
    rec["x"] = Json(static_cast<long>(client.x));
    rec["y"] = Json(static_cast<long>(client.y));
    Json o = Json::Array();
    o.Push(Json(static_cast<long>(origin.x)));
    o.Push(Json(static_cast<long>(origin.y)));
    rec["client_origin"] = o;
    return rec;
}

// Moves the pointer in small steps, as a hand would, so the control sees it enter and move.
void MovePointer(Session& s, POINT client) {
    POINT target = client;
    ClientToScreen(s.main, &target);
    SetForegroundWindow(s.main);
    POINT from{};
    GetCursorPos(&from);
    for (int i = 1; i <= 5; ++i) {
        SetCursorPos(from.x + (target.x - from.x) * i / 5, from.y + (target.y - from.y) * i / 5);
        s.Pause(40);
    }
    SetCursorPos(target.x, target.y);
    s.Pause(300);
}

// A fingerprint of a cursor's image: hot spot and mask bits; empty when the handle cannot be read
// (Wine keeps another process's cursor images to that process).
std::string CursorImage(HCURSOR cursor) {
    ICONINFO info{};
    if (!cursor || !GetIconInfo(cursor, &info)) {
        return {};
    }
    std::string image = std::to_string(info.xHotspot) + "," + std::to_string(info.yHotspot) + ":";
    for (HBITMAP bitmap : {info.hbmMask, info.hbmColor}) {
        BITMAP bm{};
        if (bitmap && GetObjectW(bitmap, sizeof(bm), &bm)) {
            std::string bits(static_cast<size_t>(bm.bmWidthBytes) * bm.bmHeight, '\0');
            GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
            unsigned long hash = 5381;
            for (unsigned char c : bits) {
                hash = hash * 33 + c;
            }
            image += std::to_string(hash) + ";";
        }
    }
    if (info.hbmMask) {
        DeleteObject(info.hbmMask);
    }
    if (info.hbmColor) {
        DeleteObject(info.hbmColor);
    }
    return image;
}

bool Hover(Session& s, const std::vector<std::wstring>& args) {
    POINT pt{};
    if (!ParseClientPoint(s, args, pt)) {
        return false;
    }
    MovePointer(s, pt);
    Json rec = PointerRecord(s, pt);
    CURSORINFO info{};
    info.cbSize = sizeof(info);
    const bool got = GetCursorInfo(&info) != FALSE;
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    rec["cursor_known"] = Json(got);
    rec["cursor_is_hand"] = Json(got && info.hCursor == hand);
    rec["cursor_is_arrow"] = Json(got && info.hCursor == arrow);
    rec["cursor_handle"] = Json(static_cast<long>(reinterpret_cast<INT_PTR>(info.hCursor)));
    const std::string image = got ? CursorImage(info.hCursor) : std::string();
    rec["cursor_image"] = Json(image);
    rec["hand_image"] = Json(CursorImage(hand));
    rec["arrow_image"] = Json(CursorImage(arrow));
    POINT screen = pt;
    ClientToScreen(s.main, &screen);
    HWND under = WindowFromPoint(screen);
    rec["under_class"] = Json(ClassOf(under));
    s.out["hovers"].Push(std::move(rec));
    return true;
}

bool MouseClick(Session& s, const std::vector<std::wstring>& args) {
    POINT pt{};
    if (!ParseClientPoint(s, args, pt)) {
        return false;
    }
    MovePointer(s, pt);
    INPUT input[2]{};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    s.Pause(100);
    SendInput(1, &input[1], sizeof(INPUT));
    s.Pause(500);
    Json rec = PointerRecord(s, pt);
    s.out["mouse_clicks"].Push(std::move(rec));
    return true;
}

ActionRegistrar hoverReg{
    {"hover", 2, "X Y: move the pointer to a client point; report the cursor shown", Hover}};
ActionRegistrar clickReg{
    {"mouse-click", 2, "X Y: real left click (SendInput) at a client point", MouseClick}};

} // namespace

} // namespace uidriver
