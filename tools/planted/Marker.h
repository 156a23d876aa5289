#pragma once
// Writes "<module path>.ran" beside the module `self` (NULL: the program), holding `what`.
#include <windows.h>

inline void LeaveMarker(HMODULE self, const char* what) {
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    ::lstrcatW(path, L".ran");
    HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, what, static_cast<DWORD>(::lstrlenA(what)), &written, nullptr);
    ::CloseHandle(file);
}
