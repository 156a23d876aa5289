#pragma once
// What the shipped 32-bit exe sees on 64-bit Windows, as rules either build can apply. The 32-bit
// exe runs under WOW64, which gives it the 32-bit registry view, the 32-bit Program Files folders
// and environment, and System32 redirected to SysWOW64. An x86_64 build of the same source must
// ask for each of these explicitly to read what the 32-bit exe reads. For a 32-bit process every
// rule below is the identity, because WOW64 has applied it already.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

// ---- Registry ----------------------------------------------------------------------------------

// The registry view a read means. There is no "this process's view": the 32-bit view is what the
// 32-bit exe reads without a view flag, the 64-bit one the native view. On 32-bit Windows both
// name the one registry.
enum class RegistryView { Bit32, Bit64 };

inline constexpr uint32_t kKeyWow64_64Key = 0x0100; // KEY_WOW64_64KEY
inline constexpr uint32_t kKeyWow64_32Key = 0x0200; // KEY_WOW64_32KEY

// The access flag that selects `view`; never 0.
constexpr uint32_t RegistryViewFlag(RegistryView view) {
    return view == RegistryView::Bit64 ? kKeyWow64_64Key : kKeyWow64_32Key;
}

// ---- Processor ---------------------------------------------------------------------------------

// wProcessorArchitecture values of SYSTEM_INFO.
inline constexpr uint16_t kArchitectureX86 = 0;
inline constexpr uint16_t kArchitectureIa64 = 6;
inline constexpr uint16_t kArchitectureAmd64 = 9;
inline constexpr uint16_t kArchitectureArm64 = 12;

// Whether Windows itself is 64-bit, from the native architecture (GetNativeSystemInfo), which both
// builds read alike. The process's own architecture (GetSystemInfo) would say x86 for the 32-bit
// exe.
bool IsArchitecture64Bit(uint16_t nativeArchitecture);

// ---- Files -------------------------------------------------------------------------------------

struct RedirectionFacts {
    std::u16string WindowsFolder;  // "C:\Windows", with or without a trailing backslash
    bool DriverStoreExempt = true; // System32\DriverStore is redirected before Windows 7
};

// The file a 32-bit process on 64-bit Windows reaches when it names `path` with file-system
// redirection on, as a path a 64-bit process can open: %windir%\System32 leads to SysWOW64 except
// its exempt subfolders (catroot, catroot2, DriverStore, drivers\etc, LogFiles, spool);
// %windir%\lastgood\System32 to lastgood\SysWOW64; %windir%\regedit.exe to SysWOW64\regedit.exe;
// the alias %windir%\Sysnative to the native System32. Components compare case-insensitively,
// "/" separates as "\" does and "." and ".." are resolved first; a "\\?\" or "\??\" prefix is
// kept. Any other path, a relative one included, comes back unchanged.
std::u16string RedirectedFor32BitProcess(std::u16string_view path, const RedirectionFacts& facts);

// ---- Shell folders -----------------------------------------------------------------------------

inline constexpr int kCsidlProgramFiles = 0x26;
inline constexpr int kCsidlProgramFilesX86 = 0x2a;
inline constexpr int kCsidlProgramFilesCommon = 0x2b;
inline constexpr int kCsidlProgramFilesCommonX86 = 0x2c;

// The CSIDL a process must ask for to get the folder the 32-bit exe gets for `csidl`: a 64-bit
// process asks for the x86 Program Files folders; flags in the high byte are kept. System32
// (CSIDL_SYSTEM) stays: the 32-bit exe gets the System32 text too, and its reads are redirected.
int ShellFolderFor32BitView(int csidl, bool processIs64Bit);

// ---- Environment -------------------------------------------------------------------------------

struct EnvironmentChange {
    std::u16string Name;
    std::u16string Value;
};
// A variable's value, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::u16string>(std::u16string_view name)>;

// The changes that give a 64-bit process the environment WOW64 gives a 32-bit process on the same
// machine: ProgramFiles and CommonProgramFiles take their "(x86)" values, PROCESSOR_ARCHITEW6432
// the native architecture's name and PROCESSOR_ARCHITECTURE "x86". ProgramW6432 and
// CommonProgramW6432 already hold the native folders in both. A variable whose source is not set
// is left alone. None for a 32-bit process.
std::vector<EnvironmentChange> EnvironmentFor32BitView(bool processIs64Bit,
                                                       const EnvironmentLookup& lookup);

// ---- Other processes ---------------------------------------------------------------------------

// Whether the 32-bit exe can read another process's main-module path: from a 32-bit process on
// 64-bit Windows that query fails for 64-bit processes. A 64-bit build stands in for the 32-bit
// exe, so it reads the path of 32-bit processes and of itself only. A 32-bit process asks
// Windows, which decides.
bool ReadsMainModulePath(bool processIs64Bit, bool targetIs32Bit, bool targetIsSelf);

} // namespace pv
