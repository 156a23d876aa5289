#pragma once
// A received archive opened read-only through libzip. Member data is read into memory, never
// extracted: a member name is only a name and never becomes a path. Archives come from users'
// machines, so every read is bounded by a caller's cap and by the member's declared size.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct zip;

namespace pv::triage {

struct ArchiveMember {
    std::string Name;            // as stored, converted to UTF-8 (CP437 when it is not valid UTF-8)
    uint64_t Size = 0;           // declared uncompressed size
    uint64_t CompressedSize = 0; // declared compressed size
    uint16_t Method = 0;
    bool Encrypted = false;
    std::optional<int64_t> Modified; // last-write time, Unix seconds (UTC)
};

enum class ReadStatus {
    Ok,
    OverCap, // declared or actual size beyond the cap; nothing returned
    Damaged, // CRC mismatch, invalid compressed data, or a size that does not match its header
};

struct MemberRead {
    ReadStatus Status = ReadStatus::Ok;
    std::string Bytes;   // the member's data; when Damaged, what was read before the fault
    std::string Problem; // what was wrong, as a sentence fragment ("CRC mismatch")
};

class Archive;

// Either an open archive or the one sentence that says why it cannot be read.
struct OpenResult {
    std::unique_ptr<Archive> Opened;
    std::string Error;
};

class Archive {
public:
    // Opens `path` and reads its central directory. Fails, with a sentence naming the file, when
    // it is not a ZIP archive, is truncated or inconsistent, or when any member is encrypted or
    // compressed with a method libzip cannot decompress.
    static OpenResult Open(const std::string& path);

    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    const std::vector<ArchiveMember>& Members() const { return Entries; }

    // The first member with exactly this name (duplicates are possible; the tool writes some).
    // The index behind it is built on the first call.
    std::optional<size_t> Find(std::string_view name) const;

    // Reads a whole member when its declared size is at most `cap`; never holds more than
    // cap + 1 bytes whatever the headers claim.
    MemberRead Read(size_t index, uint64_t cap) const;

    // Streams a member through its CRC check with the caller's buffer (constant memory).
    // Returns an empty string when intact, else what was wrong.
    std::string Verify(size_t index, std::span<char> buffer) const;

    // Bytes of member data decompressed so far by Read and Verify together: the work a hostile
    // member made the reader do.
    uint64_t InflatedBytes() const { return Inflated; }

private:
    explicit Archive(::zip* handle);

    ::zip* Handle;
    std::vector<ArchiveMember> Entries;
    mutable std::unordered_map<std::string_view, size_t> FirstByName; // views into Entries' names
    mutable uint64_t Inflated = 0;
};

} // namespace pv::triage
