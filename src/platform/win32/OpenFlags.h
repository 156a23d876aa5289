#pragma once
// Flags for every CreateFileW on a path the user can influence. Should such a path lead to a named
// pipe (through a link planted on the way, or a settings value naming "\\.\pipe\..."), the pipe's
// server gets an anonymous client: it can neither identify nor impersonate the elevated tool.
#include <windows.h>

namespace pv {

inline constexpr DWORD kNoImpersonation = SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS;

} // namespace pv
