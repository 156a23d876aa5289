// Placeholders for writers not built yet. Whoever builds a writer deletes its stub here in the
// same commit.
#include "report/win32/ReportWriters.h"

namespace pv {

} // namespace pv
