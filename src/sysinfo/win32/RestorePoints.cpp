// Restore points as the host product's restore-point library lists them.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/BSOD.h"

#include "platform/Text.h"
#include "platform/TimeLimit.h"
#include "platform/win32/FileIo.h"
#include "product/AppConfig.h"
#include "platform/win32/SystemLibrary.h"

#include <cstddef>

namespace pv {

namespace {

// The library's record: 20 bytes, 32-bit pointers to texts the library owns.
struct RestorePointRecord {
    const wchar_t* FirstText;
    int32_t Type;
    uint8_t Unused[8];
    const wchar_t* SecondText;
};
static_assert(sizeof(void*) != 4 || sizeof(RestorePointRecord) == 20);
static_assert(sizeof(void*) != 4 || offsetof(RestorePointRecord, SecondText) == 16);

using EnumPointFn = int32_t(__cdecl*)(RestorePointRecord*);
using CloseEnumFn = int32_t(__cdecl*)();

constexpr const char16_t* kLibraryName = u"Pellomar.dll";
// The library asks the system's restore service; a service that never answers must not hold the
// report job, so the enumeration is abandoned after this long (the library then stays loaded).
constexpr std::chrono::seconds kEnumerationLimit{30};

RestorePoint Copy(const RestorePointRecord& record) {
    RestorePoint point;
    point.FirstText = U16(record.FirstText);
    point.SecondText = U16(record.SecondText);
    point.Type = record.Type;
    return point;
}

} // namespace

std::u16string FindRestoreLibrary() {
    // An unknown folder is skipped rather than tried as a bare name in the current folder.
    for (const std::u16string& folder :
         {MainInstallFolder(), BetaInstallFolder(), FirstEditionFolder()}) {
        if (folder.empty()) {
            continue;
        }
        const std::u16string candidate = WithTrailingBackslash(folder) + kLibraryName;
        if (PlainFileExists(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::vector<std::u16string> GetSystemRestoreSection(const std::u16string& libraryPath) {
    std::vector<std::u16string> lines = RestoreSectionHead();
    if (libraryPath.empty() || !PlainFileExists(libraryPath)) {
        return lines;
    }
    // Stays loaded until the process ends.
    const HMODULE library = LoadLibraryAtPath(libraryPath);
    if (!library) {
        return lines;
    }
    const auto closeEnum = SystemEntry<CloseEnumFn>(library, "CloseEnum");
    const auto enumNext = SystemEntry<EnumPointFn>(library, "EnumNextPoint");
    const auto enumFirst = SystemEntry<EnumPointFn>(library, "EnumFirstPoint");
    if (!closeEnum || !enumNext || !enumFirst) {
        return lines; // treated like a library that cannot be loaded
    }
    WindowsVersion version;
    QueryWindowsVersion(version);
    const uint32_t major = version.Major;
    auto listed = RunWithTimeLimit(
        [head = lines, major, enumFirst, enumNext, closeEnum] {
            std::vector<std::u16string> out = head;
            RestorePointRecord record{};
            EnumerateRestorePoints(
                out, major,
                [&](RestorePoint& point) {
                    record = RestorePointRecord{};
                    const int32_t rc = enumFirst(&record);
                    if (rc == 0) {
                        point = Copy(record);
                    }
                    return rc;
                },
                [&](RestorePoint& point) {
                    const int32_t rc = enumNext(&record);
                    if (rc == 0) {
                        point = Copy(record);
                    }
                    return rc;
                },
                [&] { closeEnum(); });
            return out;
        },
        kEnumerationLimit);
    if (listed) {
        lines = std::move(*listed);
    }
    return lines;
}

} // namespace pv
