#pragma once
// A file's creation or last-write date as the memory-dump listing shows it.
#include "report/MemoryDumpList.h"
#include <string>

namespace pv {

// Local date-time value of the file's time at two-second (MS-DOS) resolution, read through the
// 32-bit file view (PathIn32BitView); 0 when the path is not found (wildcards are honoured: the
// first match counts) or the time cannot be converted (before 1980 or after 2107).
double FileTimeOf(const std::u16string& path, FileTimeKind which);

} // namespace pv
