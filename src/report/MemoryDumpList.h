#pragma once
// The lines of MEMORYDMP.txt.
#include "platform/ReportText.h"
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pv {

struct DumpFileFacts {
    std::u16string Path;
    uint64_t Size = 0;
    std::u16string Created;  // the creation date as the user writes short dates
    std::u16string Modified; // the last-write date, likewise
};

enum class FileTimeKind { Creation, LastWrite, LastAccess };

// One dump file's facts: `timeOf` gives its time of a kind as a local date-time value (0 when
// unknown), `dateText` writes a value as the user writes short dates. CreateTime is the creation
// time and ModifyTime the last write, which a dump rewritten in place tells apart.
DumpFileFacts DumpFactsOf(std::u16string path, uint64_t size,
                          const std::function<double(FileTimeKind)>& timeOf,
                          const std::function<std::u16string(double)>& dateText);

// Six lines per minidump (path, size, "CreateTime: ", "ModifyTime: ", two empty lines); then, when
// the full dump exists, two empty lines and its four lines.
ReportText MemoryDumpLines(const std::vector<DumpFileFacts>& minidumps,
                           const std::optional<DumpFileFacts>& fullDump, char16_t decimalSeparator);

} // namespace pv
