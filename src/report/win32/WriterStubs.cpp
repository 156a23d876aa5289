// Placeholders for writers not built yet. Whoever builds a writer deletes its stub here in the
// same commit.
#include "report/win32/ReportWriters.h"

namespace pv {

// stub:WriteDeviceList
void WriteDeviceList(const std::u16string&) {}

} // namespace pv
