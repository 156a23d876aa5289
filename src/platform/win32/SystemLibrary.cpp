#include "platform/win32/SystemLibrary.h"

#include "platform/LibraryLoadRules.h"
#include "platform/Text.h"

namespace pv {

namespace {

HMODULE Kernel32() {
    return ::GetModuleHandleW(L"kernel32.dll");
}

static_assert(kLoadWithAlteredSearchPath == LOAD_WITH_ALTERED_SEARCH_PATH);
static_assert(kLoadLibrarySearchDllLoadDir == LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR);
static_assert(kLoadLibrarySearchSystem32 == LOAD_LIBRARY_SEARCH_SYSTEM32);

// The flags for a library loaded by full path: its imports from its own folder (and System32).
DWORD FullPathFlags(DWORD searchFlags) {
    return FullPathLoadFlags(HasLibrarySearchFlags(), searchFlags);
}

} // namespace

bool HasLibrarySearchFlags() {
    static const bool present = ::GetProcAddress(Kernel32(), "AddDllDirectory") != nullptr;
    return present;
}

bool RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        SystemEntry<SetDefaultDllDirectoriesFn>(Kernel32(), "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return true;
    }
    return ::SetDllDirectoryW(L"") != 0;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    std::u16string path = WithTrailingBackslash(U16(folder)) + U16(fileName);
    return ::LoadLibraryExW(W(path), nullptr, FullPathFlags(LOAD_LIBRARY_SEARCH_SYSTEM32));
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
    return ::LoadLibraryExW(
        W(path), nullptr,
        FullPathFlags(LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
}

} // namespace pv
