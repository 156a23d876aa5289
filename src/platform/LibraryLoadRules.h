#pragma once
// Which LoadLibraryExW flags a library named by its full path is loaded with. The search flags
// exist only where AddDllDirectory does (Windows 8, or Vista and 7 with KB2533623); elsewhere the
// loader rejects them and every such load fails, so the choice is made here, portably, and tested
// for the systems Wine cannot be (it always has the flags).
#include <cstdint>

namespace pv {

// The values of the SDK's flags; the Windows build checks them against <windows.h>.
inline constexpr uint32_t kLoadWithAlteredSearchPath = 0x00000008;
inline constexpr uint32_t kLoadLibrarySearchDllLoadDir = 0x00000100;
inline constexpr uint32_t kLoadLibrarySearchSystem32 = 0x00000800;

// `searchFlags` where the loader knows them; otherwise LOAD_WITH_ALTERED_SEARCH_PATH, which takes
// the library's own imports from its folder first (for System32 libraries, System32 itself).
uint32_t FullPathLoadFlags(bool hasSearchFlags, uint32_t searchFlags);

} // namespace pv
