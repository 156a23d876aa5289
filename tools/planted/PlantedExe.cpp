// plantedexe: a stand-in for a program planted under a system name (cmd.exe). It leaves
// "<own path>.ran" with its command line and exits at once.
#include "Marker.h"

int wmain() {
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, ::GetCommandLineW(), -1, nullptr, 0, nullptr, nullptr);
    char line[4096] = {};
    if (length > 0 && length < static_cast<int>(sizeof line)) {
        ::WideCharToMultiByte(CP_UTF8, 0, ::GetCommandLineW(), -1, line, length, nullptr, nullptr);
    }
    LeaveMarker(nullptr, line);
    return 0;
}
