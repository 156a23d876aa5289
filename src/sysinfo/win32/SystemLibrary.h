#pragma once
// Libraries loaded at run time come from a full path only, never through the search path (which
// would include the current folder).
#include <windows.h>
#include <string>

namespace pv {

// `fileName` in the Windows system folder, by full path; NULL on failure. Never freed by callers
// that keep entry points for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
// True for "X:\..." and "\\server\..." paths.
bool IsAbsolutePath(const std::u16string& path);
// A library at an absolute path, its own folder searched first for its dependencies; NULL when the
// path is not absolute or loading fails.
HMODULE LoadLibraryAtPath(const std::u16string& path);

} // namespace pv
