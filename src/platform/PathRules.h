#pragma once
// Path comparisons behind the elevated-safety checks: the tool writes, deletes and reads only where
// a path it resolved by handle is the path it expected.
#include <string>
#include <string_view>
#include <vector>

namespace pv {

// Drops the "\\?\" (and "\\?\UNC\" -> "\\") prefix GetFinalPathNameByHandleW adds and any
// trailing backslash (except after a drive's colon: "C:\").
std::u16string NormalizeFinalPath(std::u16string_view path);

// Case-insensitive (A-Z) comparison of two normalized paths.
bool SamePath(std::u16string_view a, std::u16string_view b);

// True when `path` lies inside `root` (or is it), comparing whole components case-insensitively.
// "C:\Logs2\x" is not under "C:\Logs". A "." or ".." component in either path gives false.
bool IsPathUnder(std::u16string_view path, std::u16string_view root);

// Length of the volume root that starts `path`: 3 for "X:\", the length of "\\server\share"
// (without the backslash after it) for a share; 0 for anything else, the device and raw
// namespaces "\\.\" and "\\?\" included.
size_t PathRootLength(std::u16string_view path);

// True for a fully qualified path on a drive ("X:\...") or a share ("\\server\share\...")
// without "." or ".." components, doubled backslashes, forward slashes or stream colons: the only
// kind of path the tool writes to.
bool IsPlainAbsolutePath(std::u16string_view path);

// The folders from the volume root down to `folder`, each without a trailing backslash except the
// root itself: "C:\a\b\" gives "C:\", "C:\a", "C:\a\b"; "\\s\sh\a" gives "\\s\sh\",
// "\\s\sh\a". Empty for a path that is not plain absolute.
std::vector<std::u16string> FolderChain(std::u16string_view folder);

} // namespace pv
