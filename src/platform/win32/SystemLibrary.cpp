#include "platform/win32/SystemLibrary.h"

#include "platform/Text.h"

namespace pv {

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    std::u16string path = WithTrailingBackslash(U16(folder)) + U16(fileName);
    return ::LoadLibraryExW(W(path), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool IsAbsolutePath(const std::u16string& path) {
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') {
        const char16_t d = UpperAscii(path[0]);
        return d >= u'A' && d <= u'Z';
    }
    return path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\';
}

HMODULE LoadLibraryAtPath(const std::u16string& path) {
    if (!IsAbsolutePath(path)) {
        return nullptr;
    }
    return ::LoadLibraryExW(W(path), nullptr,
                            LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace pv
