#pragma once
// The file layer under the ZIP writer: the archive output, member sources and the file system
// that opens them. The POSIX and Win32 builds each supply DefaultZipFileSystem(); tests and the
// benchmark plug in their own (in-memory output, fake sizes).
#include "zip/ZipLib.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pv {

// Attribute bits of a source, as the low byte of a member's external attributes carries them.
constexpr std::uint8_t kAttrReadOnly = 0x01;
constexpr std::uint8_t kAttrHidden = 0x02;
constexpr std::uint8_t kAttrSystem = 0x04;
constexpr std::uint8_t kAttrArchive = 0x20;

struct ZipSourceInfo {
    std::uint8_t attributes = 0; // kAttr* bits
    std::int64_t lastWrite = 0;  // Unix seconds, UTC
    std::int64_t lastAccess = 0; // Unix seconds, UTC
    std::int64_t creation = 0;   // Unix seconds, UTC
    std::uint64_t size = 0;      // full size in bytes
};

class ZipSource {
public:
    virtual ~ZipSource() = default;
    // Bytes read into `buffer` (at most `size`); 0 at the end; -1 on a read error.
    virtual std::int64_t Read(void* buffer, std::uint32_t size) = 0;
};

class ZipOutput {
public:
    virtual ~ZipOutput() = default;
    // Bytes actually written at the current position (fewer than `size` on failure).
    virtual std::uint32_t Write(const void* data, std::uint32_t size) = 0;
    // Absolute position; false when it cannot be set.
    virtual bool Seek(std::uint64_t offset) = 0;
    // Cuts the output at `size` and positions there; false when that failed.
    virtual bool Truncate(std::uint64_t size) = 0;
};

class ZipFileSystem {
public:
    virtual ~ZipFileSystem() = default;
    // Create-always, write-only, no sharing. On Windows a non-empty `securityDescriptor` (SDDL
    // text) is the security the file gets as it is created, never applied afterwards; empty: what
    // the folder passes on. POSIX ignores it. Null on failure, a descriptor that does not parse
    // included.
    virtual std::unique_ptr<ZipOutput> CreateOutput(const std::u16string& path,
                                                    const std::u16string& securityDescriptor) = 0;
    // The folder's inherited security.
    std::unique_ptr<ZipOutput> CreateOutput(const std::u16string& path) {
        return CreateOutput(path, std::u16string());
    }
    // Existing file, read-only, shared with readers only, positioned at its start; `info` filled.
    // Null when it cannot be opened or described (`info` is then unspecified).
    virtual std::unique_ptr<ZipSource> OpenSource(const std::u16string& path,
                                                  ZipSourceInfo& info) = 0;
};

// The platform's files (POSIX or Win32). Lives for the whole process.
ZipFileSystem& DefaultZipFileSystem();

struct ZipOptions {
    // Compression threads for large members; 0 means one per core, at most 8. The archive's
    // bytes never depend on this value.
    unsigned threads = 0;
};

// ZipCreate through `files` (which must outlive the archive): the output is created with
// `securityDescriptor` and the sources are opened through `files`.
ZipHandle ZipCreateIn(ZipFileSystem& files, const std::u16string& path,
                      const std::u16string& securityDescriptor, const ZipOptions& options) noexcept;

// Like ZipCreate, on an output already made and with sources opened through `files` (which
// must outlive the archive). Null when `output` is null or memory runs out.
ZipHandle ZipCreateOn(std::unique_ptr<ZipOutput> output, ZipFileSystem& files,
                      const ZipOptions& options) noexcept;

} // namespace pv
