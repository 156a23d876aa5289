#pragma once
// pvreg.txt: three values of the host product's machine-wide registry key.
#include "platform/ReportText.h"
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

// Text of one value: a string type up to its first NUL (not expanded); a DWORD or QWORD in
// decimal; any other data as upper-case hexadecimal bytes separated by blanks; no data, empty.
std::u16string RegistryValueText(uint32_t type, const std::vector<uint8_t>& data);

// "ftype=...", "shareid=...", "share_id=..."
ReportText RegistryDumpLines(const std::u16string& ftype, const std::u16string& shareid,
                             const std::u16string& shareId2);

} // namespace pv
