#pragma once
// This process's side of the 32-bit view (platform/Wow64Rules.h): the machine facts the rules need
// and the calls that apply them. In the shipped 32-bit exe WOW64 has applied each rule already, so
// every call here gives what the process gets anyway; in an x86_64 build they make it read the
// folders, files and environment the 32-bit exe reads. Registry views are named at each read
// (platform/win32/Registry.h).
#include "platform/Wow64Rules.h"
#include <windows.h>
#include <string>

namespace pv {

inline constexpr bool kProcessIs64Bit = sizeof(void*) == 8;

// GetNativeSystemInfo's processor architecture (9 on x64 Windows for both builds); read once.
uint16_t NativeArchitecture();
// True on 64-bit Windows, whichever build asks.
bool WindowsIs64Bit();

// The path to open so that a read of `path` reaches the file the 32-bit exe reaches with file-
// system redirection on (RedirectedFor32BitProcess). Reports and lists keep the path as named; only
// the open uses this one. Unchanged in a 32-bit process, on 32-bit Windows and inside a
// NativeFileViewScope. Never used for loading libraries or starting programs: each build loads and
// starts those of its own architecture.
std::u16string PathIn32BitView(const std::u16string& path);

// While one exists on a thread, PathIn32BitView maps nothing there: the 32-bit exe has turned
// redirection off for that thread (Wow64DisableWow64FsRedirection).
class NativeFileViewScope {
public:
    NativeFileViewScope();
    ~NativeFileViewScope();
    NativeFileViewScope(const NativeFileViewScope&) = delete;
    NativeFileViewScope& operator=(const NativeFileViewScope&) = delete;
};

// The CSIDL to ask the shell for, so the answer is the folder the 32-bit exe gets for `csidl`
// (ShellFolderFor32BitView).
int CsidlIn32BitView(int csidl);

// Gives this process the environment WOW64 gives the 32-bit exe (EnvironmentFor32BitView), so that
// expanded texts, shell links and started programs see the 32-bit values. Call at start-up before
// any other thread runs: the environment is process-wide. Idempotent.
void Use32BitEnvironment();

// Whether the 32-bit exe could read the main-module path of `process` (ReadsMainModulePath). A
// process whose bitness cannot be told counts as 64-bit.
bool ReadsMainModulePathOf(HANDLE process, DWORD processId);

} // namespace pv
