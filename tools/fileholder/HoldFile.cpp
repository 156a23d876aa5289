// fileholder PATH SHARE TEXT READY RELEASE
// Opens PATH for writing with SHARE ("none", "write", "read" or "all"), appends TEXT, creates the
// file READY, then keeps PATH open until the file RELEASE exists (at most 5 minutes).
#include <windows.h>
#include <cwchar>
#include <string>

namespace {

DWORD ShareMode(const wchar_t* name) {
    if (std::wcscmp(name, L"write") == 0) {
        return FILE_SHARE_WRITE;
    }
    if (std::wcscmp(name, L"read") == 0) {
        return FILE_SHARE_READ;
    }
    if (std::wcscmp(name, L"all") == 0) {
        return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        return 2;
    }
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, ShareMode(argv[2]), nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    ::SetFilePointer(file, 0, nullptr, FILE_END);
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, nullptr, 0, nullptr, nullptr);
    std::string text(length > 0 ? static_cast<size_t>(length) : 1u, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, text.data(), length, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() - 1), &written, nullptr);
    ::FlushFileBuffers(file);
    HANDLE ready = ::CreateFileW(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) {
        ::CloseHandle(ready);
    }
    for (int i = 0; i < 3000; ++i) {
        if (::GetFileAttributesW(argv[5]) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
        ::Sleep(100);
    }
    ::CloseHandle(file);
    return 0;
}
