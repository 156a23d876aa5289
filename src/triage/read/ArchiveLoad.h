#pragma once
// Turns an open archive into the core's member list: every member by name, with the bytes of
// only the reports the parsers read. Nothing else is decompressed unless a verification of every
// member's CRC is asked for.
#include "triage/read/Archive.h"
#include "triage/model/Member.h"
#include "triage/model/MemberCaps.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pv::triage {

// Members in archive order. A parsed member over a cap carries OverCap and no bytes; one whose
// data fails its check carries Damaged and what was read before the fault. With `verify`, every
// other member is streamed through its CRC check as well and marked Damaged when it fails.
std::vector<Member> LoadMembers(const Archive& archive, bool verify, const LoadLimits& limits = {});

} // namespace pv::triage
