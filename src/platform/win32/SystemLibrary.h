#pragma once
// Libraries loaded at run time come from a full path only, and their own imports from their own
// folder and System32: never through the search path, which holds the current folder and the
// program's folder (both writable by the user who started the elevated tool).
#include <windows.h>
#include <string>

namespace pv {

// Whether the loader knows the LOAD_LIBRARY_SEARCH_* flags: where AddDllDirectory exists (Windows 8
// and later, Vista and 7 with KB2533623), as Microsoft documents. Never fails.
bool HasLibrarySearchFlags();
// Libraries the process loads later by name come from System32 only (SetDefaultDllDirectories,
// bound at run time); without the search flags the current folder at least leaves the search
// path (SetDllDirectoryW(L"")). False when neither took effect.
bool RestrictLibrarySearch();

// `fileName` in the Windows system folder, by full path, its imports from System32 only (without
// the search flags: from the library's own folder first, which is System32); NULL on
// failure. Never freed by callers that keep entry points for the life of the process. Each build
// loads the library of its own architecture (WOW64 sends the 32-bit exe to SysWOW64), so the path
// never goes through the 32-bit file view.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
// True for "X:\..." and "\\server\..." paths.
bool IsAbsolutePath(const std::u16string& path);
// A library at an absolute path, its imports from its own folder and System32 (without the search
// flags: from its own folder first, then the standard order); NULL when the path is not absolute
// or loading fails.
HMODULE LoadLibraryAtPath(const std::u16string& path);

// The entry point `name` of a library, cast to the caller's function type; NULL when the library
// or the entry point is missing. The cast goes through the generic function-pointer type, which
// converts to any other without warnings.
template <typename Fn> Fn SystemEntry(HMODULE library, const char* name) {
    return library
               ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)))
               : nullptr;
}

} // namespace pv
