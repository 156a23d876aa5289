#pragma once
// Which members any reader of an archive loads for the core, and how much of them.
#include <cstdint>
#include <string_view>

namespace pv::triage {

struct LoadLimits {
    uint64_t MemberCap = 16ull << 20; // a report larger than this is not read at all
    uint64_t TotalCap = 48ull << 20;  // reports past this running total are not read either
};

// The members whose bytes the core uses: the tool's own reports at the top level, the hosts
// file, the driver-installation log and the crash dumps at the top level.
bool IsParsedMember(std::string_view name);

} // namespace pv::triage
