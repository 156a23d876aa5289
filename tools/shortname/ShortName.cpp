// shortname PATH
// Prints GetShortPathNameW(PATH) as UTF-8 and a line end on stdout; exits 3 when it fails.
#include <windows.h>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    const DWORD needed = ::GetShortPathNameW(argv[1], nullptr, 0);
    if (needed == 0) {
        return 3;
    }
    std::wstring shortName(needed, L'\0');
    const DWORD length = ::GetShortPathNameW(argv[1], shortName.data(), needed);
    if (length == 0 || length >= needed) {
        return 3;
    }
    shortName.resize(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, shortName.c_str(), static_cast<int>(length),
                                            nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? static_cast<size_t>(bytes) : 0u, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, shortName.c_str(), static_cast<int>(length), text.data(),
                          bytes, nullptr, nullptr);
    text += "\r\n";
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(),
                       static_cast<DWORD>(text.size()), &written, nullptr)
               ? 0
               : 4;
}
