// planteddll: a stand-in for a library planted under a system name (psapi.dll, setupapi.dll,
// ...). Loading it leaves "<own path>.ran" naming the process that loaded it.
#include "Marker.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char process[MAX_PATH + 2] = {};
        ::GetModuleFileNameA(nullptr, process, MAX_PATH);
        ::lstrcatA(process, "\n");
        LeaveMarker(self, process);
    }
    return TRUE;
}
