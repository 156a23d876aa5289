#pragma once
// File and folder queries and the one place where the tool's reports are written.
#include <string>

namespace pv {

// True when the path's attributes can be read and do not mark a folder.
bool PlainFileExists(const std::u16string& path);
// True when the path names an existing folder.
bool FolderExists(const std::u16string& path);

// Writes a whole report file (replacing any earlier one). Every report of the tool goes through
// here so the rules for writing into user-writable folders live in one place. False on any
// failure; a partly written file may then remain.
bool WriteReportFile(const std::u16string& path, const std::string& bytes);
// Deletes a report file the tool wrote earlier; false when it did not exist or could not go.
bool DeleteReportFile(const std::u16string& path);

} // namespace pv
