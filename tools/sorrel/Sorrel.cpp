// Appends its full command line (UTF-8, one line per start) to sorrel-calls.txt beside itself.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = 0;
    while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(n);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"sorrel-calls.txt";

    const wchar_t* cmd = GetCommandLineW();
    int len = WideCharToMultiByte(CP_UTF8, 0, cmd, -1, nullptr, 0, nullptr, nullptr);
    std::string line(len > 0 ? static_cast<size_t>(len - 1) : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, cmd, -1, line.data(), len, nullptr, nullptr);
    line += "\n";

    HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
    return ok ? 0 : 1;
}
