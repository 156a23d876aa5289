#pragma once
// The lines of MEMORYDMP.txt.
#include "platform/ReportText.h"
#include <cstdint>
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

// Six lines per minidump (path, size, "CreateTime: ", "ModifyTime: ", two empty lines); then, when
// the full dump exists, two empty lines and its four lines.
ReportText MemoryDumpLines(const std::vector<DumpFileFacts>& minidumps,
                           const std::optional<DumpFileFacts>& fullDump, char16_t decimalSeparator);

} // namespace pv
