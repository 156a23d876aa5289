#pragma once
// One parser per report: pure functions from a member's name and bytes to its part of the facts.
// Each records line evidence under the member name it is given and adds a note for whatever it
// could not read; none of them fails on any input.
#include "triage/model/Model.h"
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv::triage {

// SystemInfo.txt: facts, volumes, programs; the system volume is the one the running processes'
// Windows folder lies on (C: when no process names it).
SystemFacts ParseSystemInfo(std::string_view bytes, const std::string& member,
                            std::vector<ReadNote>& notes);

// DeviceList.txt: one device per "#n" / "[Device]" block.
std::vector<Device> ParseDeviceList(std::string_view bytes, const std::string& member,
                                    std::vector<ReadNote>& notes);

// MEMORYDMP.txt: the minidumps, then the full dump after its extra pair of empty lines. Dates
// are the machine's short dates, read in the locale of `localeTag`.
std::vector<Dump> ParseMemoryDumpList(std::string_view bytes, const std::string& member,
                                      std::string_view localeTag, std::vector<ReadNote>& notes);

// FileList*.txt: the edition comes from the member name ("FileList_beta.txt" is "beta",
// "FileList.txt" is "main").
EditionFiles ParseFileList(std::string_view bytes, const std::string& member,
                           std::vector<ReadNote>& notes);

// PingHosts.txt: the captured first output of the ping command.
PingFacts ParsePingHosts(std::string_view bytes, const std::string& member,
                         std::vector<ReadNote>& notes);

// Hosts: one entry per host name of every address line; comments and blank lines skipped.
// Past the entry limit only entries naming one of `makerHosts` are kept.
std::vector<HostsEntry> ParseHostsFile(std::string_view bytes, const std::string& member,
                                       const std::vector<std::string>& makerHosts,
                                       std::vector<ReadNote>& notes);

// pvreg.txt: its "name=value" lines as written.
std::vector<std::string> ParseRegistryDump(std::string_view bytes, const std::string& member,
                                           std::vector<ReadNote>& notes);

// setupapi.dev.log: every section from ">>>  Section start" to "<<<  [Exit status: ...]".
std::vector<InstallSection> ParseSetupApiLog(std::string_view bytes, const std::string& member,
                                             std::vector<ReadNote>& notes);

// Sizes as the reports write them: "931,51 GB" or "1.863,01 GB" (two decimals, any thousands
// separator), "1023 B"; "2.5 MB", "128 KB", "1024 bytes", " bytes". Empty when unreadable.
std::optional<uint64_t> ReadSizeText(std::string_view text);

// True when `host` is one of `makerHosts` or a subdomain of one, ignoring ASCII case.
bool IsMakerHost(std::string_view host, const std::vector<std::string>& makerHosts);

} // namespace pv::triage
