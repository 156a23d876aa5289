#pragma once
// Turns an open archive into the core's member list: every member by name, with the bytes of
// only the reports the parsers read. Nothing else is decompressed unless a verification of every
// member's CRC is asked for.
#include "triage/Archive.h"
#include "triage/Triage.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pv::triage {

struct LoadLimits {
    uint64_t MemberCap = 16ull << 20; // a report larger than this is not read at all
    uint64_t TotalCap = 48ull << 20;  // reports past this running total are not read either
};

// The members whose bytes the parsers use: the tool's own reports at the top level, the hosts
// file and the driver-installation log.
bool IsParsedMember(std::string_view name);

// Members in archive order. A parsed member over a cap carries OverCap and no bytes; one whose
// data fails its check carries Damaged and what was read before the fault. With `verify`, every
// other member is streamed through its CRC check as well and marked Damaged when it fails.
std::vector<Member> LoadMembers(const Archive& archive, bool verify, const LoadLimits& limits = {});

} // namespace pv::triage
