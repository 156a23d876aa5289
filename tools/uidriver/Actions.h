#pragma once
// Actions are the steps the driver performs after the window appeared, in command-line order.
// Add one in its own file:
//     static bool Hover(Session& s, const std::vector<std::wstring>& args) { ...; return true; }
//     static ActionRegistrar reg{{"hover", 2, "X Y: move the mouse to a client point", Hover}};
// An action writes what it observed into s.out and returns false on failure (after s.Fail).
#include "Session.h"

#include <string>
#include <vector>

namespace uidriver {

struct Action {
    const char* name;
    int argc; // number of arguments that follow the name on the command line
    const char* help;
    bool (*run)(Session& s, const std::vector<std::wstring>& args);
    bool endsTool = false; // the tool is expected to end after it (else the driver closes it)
};

const std::vector<Action>& AllActions();
const Action* FindAction(const std::string& name);

struct ActionRegistrar {
    explicit ActionRegistrar(const Action& action);
};

// Shared by the actions that press the button.
struct PressResult {
    bool clicked = false;
    DWORD pressTick = 0;
};
// Posts BM_CLICK to btnSave; records the button in s.out["pressed"].
PressResult PressSave(Session& s);
HWND SaveButton(Session& s);
HWND WaitingLabel(Session& s);
// Parses a decimal count; returns false for anything else.
bool ParseNumber(const std::wstring& text, DWORD& value);

} // namespace uidriver
