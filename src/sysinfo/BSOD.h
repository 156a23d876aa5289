#pragma once
// Crash dumps and restore points: the machine's crash history and its restore points as listed by
// the host product's restore-point library.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pv {

// ---- Pure rules --------------------------------------------------------------------------------

// A minidump found by the folder search with its creation time (UTC file time as 64-bit number).
struct MinidumpEntry {
    std::u16string Path;
    uint64_t CreationTime = 0;
};
// Inserts before the first entry whose creation time is older, so the list stays newest first and
// equal times keep the order they were found in.
void InsertNewestFirst(std::vector<MinidumpEntry>& list, MinidumpEntry entry);

// The crash time the system report shows: false ("N/A") for no crash time, or one that predates
// the installation date (0 = unknown installation date lets every crash time through).
bool ShowCrashTime(double crashTime, double installDate);

// One restore point as the library reports it.
struct RestorePoint {
    std::u16string FirstText;
    std::u16string SecondText;
    int32_t Type = 0;
};
// "second | first | type", or nothing for a cancelled-operation point (type 13) on major version 5.
std::optional<std::u16string> RestorePointLine(const RestorePoint& point, uint32_t osMajor);
// The restore section's three head lines.
std::vector<std::u16string> RestoreSectionHead();
// The enumeration loop: `first`/`next` fill the point and return 0 while there is one; `close` is
// called exactly once afterwards. Lines are appended to `lines`.
void EnumerateRestorePoints(std::vector<std::u16string>& lines, uint32_t osMajor,
                            const std::function<int32_t(RestorePoint&)>& first,
                            const std::function<int32_t(RestorePoint&)>& next,
                            const std::function<void()>& close);

#ifdef _WIN32
// ---- Windows side ------------------------------------------------------------------------------

// Newest crash time (local date-time value, 0 when none), the full memory dump's path (empty
// unless that file exists) and the minidumps' full paths, newest first (cleared first).
void FindCrashDumps(double& crashTime, std::u16string& fullDumpPath,
                    std::vector<std::u16string>& minidumps);
// The minidumps' full paths, newest first (the collection plan packs the first).
std::vector<std::u16string> FindCrashDumps();

// Full path of Pellomar.dll in the main, beta or first games-store edition folder; empty if none.
std::u16string FindRestoreLibrary();
// The restore section: its head, then one line per restore point the library lists. A missing or
// unusable library gives the head only.
std::vector<std::u16string> GetSystemRestoreSection(const std::u16string& libraryPath);
#endif

} // namespace pv
