#pragma once
// The real file system behind the job's list operations.
#include "report/Collection.h"

namespace pv {

// Existence: a path whose attributes cannot be read for a reason other than "not found" or "bad
// name" (a sharing violation, say) is decided by a directory search for the exact path. Every
// query reads through the 32-bit file view (PathIn32BitView).
IJobFileSystem& Win32JobFileSystem();

} // namespace pv
