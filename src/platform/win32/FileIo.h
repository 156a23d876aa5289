#pragma once
// File and folder queries and the one place where the tool's reports are written and deleted.
// The tool runs elevated while the log folder belongs to the user, so a report is written only
// where every folder below its trusted root (platform/win32/ResolvedRoots.h) is a plain folder
// that resolves to the root's final path plus its relative part (no junction or link can redirect
// the write), and only a regular single-link file is ever deleted.
#include <windows.h>
#include <string>

namespace pv {

// True when the path's attributes can be read and do not mark a folder.
bool PlainFileExists(const std::u16string& path);
// True when the path names an existing folder.
bool FolderExists(const std::u16string& path);

// The path an open handle resolves to, links followed: GetFinalPathNameByHandleW's DOS form with
// its "\\?\" prefix (compare with SamePath). Empty on failure.
std::u16string FinalPathOf(HANDLE handle);

// Marks a file or folder opened with DELETE access for deletion when its last handle closes.
bool MarkForDeletion(HANDLE handle);

// Copies `from` from its current position to its end into `to`; false on a read or write error
// (`to` then holds a partial copy).
bool CopyHandleData(HANDLE from, HANDLE to);

enum class RemoveResult { Removed, Absent, Refused };
// Deletes `path` through a handle, and only when it is a regular file with one link that resolves
// as requested (ResolvesAsRequested): deleting by name could follow a planted link and remove its
// target. With `clearReadOnly` a read-only file loses the flag first (otherwise it is refused).
// Absent when nothing is at the name; Refused for anything else that was not deleted.
RemoveResult RemovePlainFile(const std::u16string& path, bool clearReadOnly = false);

// Writes a whole report file, replacing an earlier one: the bytes go to a fresh name beside it
// ("<name>.<hex>.tmp") that is renamed over the report only when complete. False when the path
// is not a plain absolute path, a folder of it fails the trusted-root checks (a link or junction
// below its root, or a root that no longer resolves where it did), or an existing entry at the
// name is not a regular single-link file: then nothing is written anywhere. An earlier report
// that is read-only is replaced all the same. False too when the
// write or the rename fails: the fresh file is removed and so is the earlier report, so a failed
// writer never leaves a partial or stale report.
bool WriteReportFile(const std::u16string& path, const std::string& bytes);
// Deletes a report file under the same checks. False when it did not exist or was not deleted.
bool DeleteReportFile(const std::u16string& path);

// Creates `folder` (a plain absolute path) and its missing parents, each one only inside a parent
// that passes the checks of WriteReportFile, so no link in the chain can aim a creation elsewhere.
// True when the folder then exists and passes them too; false, with nothing created below the
// first failing folder, otherwise.
bool CreatePlainFolder(const std::u16string& folder);

// Sets a read-only file's attributes to normal, only when it is a regular single-link file whose
// handle resolves as requested (ResolvesAsRequested): a link or hard link planted at the name must
// not let the tool change another file. False when nothing was changed (also when the file was not
// read-only).
bool ClearReadOnlyFlag(const std::u16string& path);

} // namespace pv
