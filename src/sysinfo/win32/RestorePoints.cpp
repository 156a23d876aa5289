// Restore points as the host product's restore-point library lists them.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/BSOD.h"
#include "sysinfo/RestoreRecord.h"

#include "platform/Text.h"
#include "platform/TimeLimit.h"
#include "platform/win32/FileIo.h"
#include "product/AppConfig.h"
#include "platform/win32/SystemLibrary.h"

#include <array>
#include <cstddef>

namespace pv {

namespace {

// The record of this build's architecture: the 32-bit library's 20 bytes in the shipped exe. An
// x86_64 build cannot load that library (a process loads only libraries of its own architecture),
// so on a real machine it lists no points; the Wine tier gives it the x86_64 test double.
constexpr const RestoreRecordLayout& kRecord = RestoreRecordLayoutFor(sizeof(void*));
static_assert(kRestoreRecord32.Size == 20 && kRestoreRecord32.Type == 4 &&
              kRestoreRecord32.SecondText == 16);
static_assert(kRecord.PointerSize == sizeof(void*) && kRecord.Size <= kRestoreRecordCapacity);

// The caller's copy of the record, which the library fills; zeroed before each first call.
struct RecordBuffer {
    alignas(8) std::array<uint8_t, kRestoreRecordCapacity> Bytes{};
};

using EnumPointFn = int32_t(__cdecl*)(void* record);
using CloseEnumFn = int32_t(__cdecl*)();

constexpr const char16_t* kLibraryName = u"Pellomar.dll";
// The library asks the system's restore service; a service that never answers must not hold the
// report job, so the enumeration is abandoned after this long (the library then stays loaded).
constexpr std::chrono::seconds kEnumerationLimit{30};

// A text the library owns, copied at once; none for a null pointer.
std::u16string TextAt(uint64_t pointer) {
    return U16(reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(pointer)));
}

RestorePoint Copy(const RecordBuffer& record) {
    const RestoreRecordFields fields = ReadRestoreRecord(record.Bytes, kRecord);
    RestorePoint point;
    point.FirstText = TextAt(fields.FirstText);
    point.SecondText = TextAt(fields.SecondText);
    point.Type = fields.Type;
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
            RecordBuffer record;
            EnumerateRestorePoints(
                out, major,
                [&](RestorePoint& point) {
                    record = RecordBuffer{};
                    const int32_t rc = enumFirst(record.Bytes.data());
                    if (rc == 0) {
                        point = Copy(record);
                    }
                    return rc;
                },
                [&](RestorePoint& point) {
                    const int32_t rc = enumNext(record.Bytes.data());
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
