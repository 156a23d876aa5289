#pragma once
// Which members any reader of an archive loads for the core, and how much of them.
#include <cstdint>
#include <string_view>

namespace pv::triage {

struct LoadLimits {
    uint64_t MemberCap = 16ull << 20; // a report larger than this is not read at all
    uint64_t TotalCap = 48ull << 20;  // reports past this running total are not read either
    // Crash dumps have a running total of their own, so that dumps never crowd out a report.
    uint64_t DumpTotalCap = 32ull << 20;
};

// The members whose bytes the core uses: the tool's own reports at the top level, the hosts
// file, the driver-installation log and the crash dumps at the top level.
bool IsParsedMember(std::string_view name);

// A parsed member that is a crash dump (counted against DumpTotalCap, not TotalCap).
bool IsDumpMember(std::string_view name);

} // namespace pv::triage
