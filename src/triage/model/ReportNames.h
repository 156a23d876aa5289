#pragma once
// Member names of the reports the tool writes itself, at the archive's top level.
#include <string_view>

namespace pv::triage {

inline constexpr std::string_view kSystemInfoMember = "SystemInfo.txt";
inline constexpr std::string_view kDeviceListMember = "DeviceList.txt";
inline constexpr std::string_view kMemoryDumpMember = "MEMORYDMP.txt";
inline constexpr std::string_view kPingHostsMember = "PingHosts.txt";
inline constexpr std::string_view kRegistryDumpMember = "pvreg.txt";
inline constexpr std::string_view kMainFileListMember = "FileList.txt";
inline constexpr std::string_view kHostsMember = "Hosts";
inline constexpr std::string_view kSetupApiLogMember = "AppData/Logs/Install/setupapi.dev.log";
// The product's own crash dump, packed beside the system's minidump; not a system crash.
inline constexpr std::string_view kProductDumpMember = "MiniDrvSetup.dmp";

// Written on every run: the memory-dump listing exists only with dumps, NetInfo.txt only when the
// address service answered and the beta and games-store listings only with those editions.
inline constexpr std::string_view kAlwaysWrittenReports[] = {kPingHostsMember, kRegistryDumpMember,
                                                             kSystemInfoMember, kDeviceListMember,
                                                             kMainFileListMember};

} // namespace pv::triage
