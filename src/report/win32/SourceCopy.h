#pragma once
// Copies one collected source for packing.
#include <string>

namespace pv {

// Copies `source` to the new file `copyPath` (created with CREATE_NEW) through one handle opened
// with full sharing, so a log the product holds open for writing is still read. The copy gets the
// source's last-write time and its read-only, hidden, system and archive bits, as CopyFileW gives.
// Refused (false, nothing created) when the source is a folder or a link, resolves outside the
// folder it was collected from, or is 4 GiB or larger (too large for an archive member). A failure
// after creation removes the partial copy.
bool CopyCollectedSource(const std::u16string& source, const std::u16string& copyPath);

} // namespace pv
