#pragma once
// How much of one report the parsers keep. Real machines stay far below these; a hostile archive
// could otherwise turn a few megabytes of tiny lines into gigabytes of parsed records. Whatever a
// limit leaves out is named in a "read.limit" note.
#include "triage/model/Model.h"
#include <cstddef>
#include <string>
#include <vector>

namespace pv::triage {

inline constexpr size_t kMaxLinesPerMember = 1'000'000;
inline constexpr size_t kMaxDevices = 50'000;
inline constexpr size_t kMaxInstallSections = 100'000;
inline constexpr size_t kMaxErrorsPerSection = 1'000;
inline constexpr size_t kMaxDumps = 256;
// Lines of the system report's Drivers section, and driver files named by one install section.
inline constexpr size_t kMaxDriverServices = 10'000;
inline constexpr size_t kMaxDriverFilesPerSection = 64;
inline constexpr size_t kMaxRestorePoints = 1'000;
// Devices linked to one crash, newest installs first.
inline constexpr size_t kMaxInstallsPerCrash = 1'000;
// Beyond this, hosts-file entries are kept only when they name one of the maker's hosts.
inline constexpr size_t kMaxHostsEntries = 100'000;
inline constexpr size_t kMaxPrograms = 50'000;
inline constexpr size_t kMaxVolumes = 256;
inline constexpr size_t kMaxRegistryValues = 1'000;

// "DeviceList.txt has more than 50000 devices; those after line 123 were not read."
inline void NoteLimit(std::vector<ReadNote>& notes, const std::string& member, int line,
                      const char* what, size_t limit) {
    notes.push_back({"read.limit",
                     member + " has more than " + std::to_string(limit) + " " + what +
                         "; those from line " + std::to_string(line) + " on were not read.",
                     {member, line}});
}

} // namespace pv::triage
