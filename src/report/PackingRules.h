#pragma once
// Decisions of archive packing that need no file system: the job's private folder names and the
// check that a collected source is the file it was collected as.
#include "platform/TrustedRoots.h"
#include <cstdint>
#include <string>
#include <string_view>

namespace pv {

// Every private folder of the job starts with this; leftovers of an interrupted run are found by
// it.
inline constexpr std::u16string_view kPrivateFolderPrefix = u"PvReportJob.";

// kPrivateFolderPrefix + the 64 random bits as 16 upper-case hex digits.
std::u16string PrivateFolderName(std::uint64_t random);
// True only for names PrivateFolderName can produce (A-Z case ignored).
bool IsPrivateFolderName(std::u16string_view name);

// A source is packed only when the path its open handle resolves to (GetFinalPathNameByHandleW,
// with or without the "\\?\" prefix) lies inside the final path the trusted roots give for the
// folder it was collected from, the folder part of `sourcePath`: a link planted at a collected
// name must not pull another file in, while a folder reached through its user's own relocated or
// redirected root is no reason to leave its files out.
bool IsCollectedInPlace(const TrustedRoots& roots, std::u16string_view finalPath,
                        std::u16string_view sourcePath);

} // namespace pv
