#pragma once
// ZIP archive writer: creates one archive, appends members read from files, and finishes it with
// the central directory. C-style interface: an opaque handle and numeric result codes; no
// exception ever leaves these functions. Names are UTF-16; a backslash in a member name becomes
// the folder separator "/". Members whose name ends in an archive extension (.Z .zip .zoo .arc
// .lzh .arj .gz .tgz, any case) are stored, all others deflated at level 8.
#include <cstdint>
#include <string>

namespace pv {

struct TZip;
// Null when the archive could not be created.
using ZipHandle = TZip*;

using ZipResult = std::uint32_t;
constexpr ZipResult ZR_OK = 0x00000000;
// The archive cannot be created; the source cannot be opened or described; the source is
// 4 GiB or larger (nothing is written in these cases).
constexpr ZipResult ZR_NOFILE = 0x00000200;
// A header, central directory or end record write fell short; reading, copying or compressing
// the member's data failed; the archive has no room for the member (its data would carry an
// offset past 4 GiB, or it already holds 65,535 members). A failed member gets no entry and its
// bytes are cut off again, so the archive stays as it was before the call whenever possible.
constexpr ZipResult ZR_WRITE = 0x00000400;
// Null handle; empty member name; a member name longer than 65,535 bytes in UTF-8.
constexpr ZipResult ZR_ARGS = 0x00010000;

// Creates the archive file, replacing an earlier one, opened for writing with no sharing. On
// Windows a link or hard link planted at the name is never written through: null instead.
ZipHandle ZipCreate(const std::u16string& path) noexcept;
ZipHandle ZipCreate(const char16_t* path) noexcept;
// The same, the file carrying `securityDescriptor` (SDDL text) from its creation on: an elevated
// writer gives the archive the DACL its user needs instead of the one its folder would pass on.
// Ignored off Windows. Null also when the descriptor does not parse.
ZipHandle ZipCreate(const std::u16string& path, const std::u16string& securityDescriptor) noexcept;

// Appends the content of the file at `sourcePath` as member `name`. A failed call leaves the
// archive open and usable for further members.
ZipResult ZipAddFile(ZipHandle zip, const std::u16string& name,
                     const std::u16string& sourcePath) noexcept;
ZipResult ZipAddFile(ZipHandle zip, const char16_t* name, const char16_t* sourcePath) noexcept;

// Writes the central directory and the end record and closes the file. The handle is released
// whatever the result; the archive is complete only when this returns ZR_OK.
ZipResult ZipClose(ZipHandle zip) noexcept;

} // namespace pv
