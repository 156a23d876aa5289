#pragma once
// The process's trusted roots (platform/TrustedRoots.h) on Windows: the folders the shell and the
// environment name (AppData, Local AppData, ProgramData, the desktop, the profile, TEMP, the
// Windows folder) and the installation folders the job adds, each resolved once to the final path
// of its opened folder. Every writer, copier and the ZIP layer ask ResolvesAsRequested.
#include "platform/TrustedRoots.h"
#include <windows.h>
#include <string>

namespace pv {

// Resolves `folder` now and trusts it as a root, under its spelling and its long form. False, with
// nothing trusted, when the folder cannot be opened or its final path read; a spelling already
// trusted keeps its first resolution.
bool TrustFolder(const std::u16string& folder);

// True when `handle`, opened on `requested`, resolves to the path the trusted roots give for it
// (the requested path's long form is tried too). False when the final path cannot be read. The
// standard roots are resolved on the first call; one that could not be is tried again later.
bool ResolvesAsRequested(HANDLE handle, const std::u16string& requested);

// The final path of the folder `folder` names, links followed; empty when it cannot be opened or
// is no folder.
std::u16string ResolveFolder(const std::u16string& folder);

// The long form of `path` (8.3 components spelt out); `path` itself when it cannot be read.
std::u16string LongForm(const std::u16string& path);

// A copy of the roots as they stand, the standard ones resolved first.
TrustedRoots ProcessTrustedRoots();

} // namespace pv
