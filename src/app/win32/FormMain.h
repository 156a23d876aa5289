#pragma once
// The report window: one button that runs the report job, a waiting line and the privacy link.
#include <windows.h>

namespace pv {

// Registers the window class and creates the visible, centred window; null on failure.
HWND CreateFormMain(HINSTANCE instance);
// Gives keyboard navigation (Tab, Space, Enter) to the window's controls; true when consumed.
bool FormMainDialogMessage(MSG& msg);
// True while a report job started by the window has not finished (the window may already be gone).
bool FormMainJobRunning();

} // namespace pv
