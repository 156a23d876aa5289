#pragma once
// The host product's driver download folder (Prefs.ini [Drivers] "DownPath"); the backup index
// lookups are declared with the other writers in ReportWriters.h.
#include <string>

namespace pv {

// Ends in a backslash; empty when the settings file does not exist.
std::u16string DownloadFolder();

} // namespace pv
