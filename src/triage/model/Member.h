#pragma once
// What every reader of an archive (libzip natively, the page's own ZIP reader) hands the core.
#include <cstdint>
#include <optional>
#include <string>

namespace pv::triage {

// One archive member as the reader found it, in archive order. Names are as stored ("/" between
// folders, non-ASCII escaped as "#XXXX"); a name may occur twice. OverCap marks a member the
// reader did not read whole (its Bytes are empty or partial); Damaged one whose data failed its
// CRC. Whatever bytes either holds are still parsed.
struct Member {
    std::string Name;
    std::string Bytes;
    bool OverCap = false;
    bool Damaged = false;
    std::optional<int64_t> Modified; // the member's stored last-write time, Unix seconds (UTC)
    std::optional<uint64_t> Size;    // declared uncompressed size, when the reader has it
};

} // namespace pv::triage
