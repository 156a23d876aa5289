#pragma once
// pvtriage's core entry points: archive members in, facts and findings out. Pure functions; the
// caller reads the archive (with its own caps) and hands over every member it found.
#include "triage/model/Member.h"
#include "triage/model/Model.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pv::triage {

struct Options {
    int WindowDays = 7; // a driver installed this many days or fewer before a crash is linked
    // Host names of the maker's web service; a name equal to one of them or ending in "." + one
    // of them counts as the maker's.
    std::vector<std::string> MakerHosts = {"www.orvix.com", "orvix.com"};
};

// Parses every report it recognises, records what is missing or damaged, links crashes to recent
// driver installs and fills Findings with Analyse(). Never throws on any member content.
Triage ReadArchiveFacts(const std::vector<Member>& members, const Options& options);

// The findings of parsed facts, sorted by severity (errors first), then id, then evidence.
std::vector<Finding> Analyse(const Triage& facts, const Options& options);

// Finding ids, stable; the sentence of each is built in Analyse. Severity E(rror), W(arning),
// I(nfo); where a rule has more than one, the condition picks.
//
// | Id                           | Sev   | When                                                 |
// |------------------------------|-------|------------------------------------------------------|
// | archive.damaged              | E     | a member's data failed its CRC                       |
// | archive.overcap              | W     | a member was larger than the reader's cap            |
// | report.missing               | W     | a report the tool writes on every run is absent      |
// | device.problem               | E/W/I | a device has a problem number (Prob) or code         |
// |                              |       | (Code): E; W for disabled (22) and not connected     |
// |                              |       | (45); I when the device is not plugged in            |
// | device.install_state         | E/W   | install state not 0: E for 2 (failed), else W        |
// | device.reinstall             | W     | the device asks for a reinstall (Rein = True)        |
// | crash.recorded               | I     | a crash: BSOD Time, a listed dump, a dump member     |
// | crash.recent_driver          | W/E   | a driver installed within the window before a        |
// |                              |       | crash (one finding per device, nearest crash); E     |
// |                              |       | when the crash's dump faulted in that driver         |
// | crash.recent_driver_rollback | E     | the same, and a previous driver can be rolled        |
// |                              |       | back to (Roll = True)                                |
// | crash.faulting_driver        | E     | a decoded dump names the module of its fault: the    |
// |                              |       | bug check, module and offset, its driver service and |
// |                              |       | device where the archive names them                  |
// | install.failed               | E     | a setupapi.dev.log section ended in FAILURE(0x..);   |
// |                              |       | evidence: its header and "!!!" lines (at most 20)    |
// | hosts.maker_redirect         | E     | a hosts-file line names one of the maker's hosts     |
// | network.maker_unresolved     | W     | PingHosts.txt: the maker's host did not resolve      |
// | volume.system_low_space      | E     | the system volume has less than 2 GB free            |
// | volume.low_space             | W     | another volume has less than 5% free                 |
// | read.date                    | I     | a date could not be read; its text is quoted         |
// | read.value                   | I     | a number field (Prob, Code, Stat) is unreadable      |
// | read.encoding                | I     | a report had no byte-order mark or odd length        |
// | read.long_line               | I     | a line longer than the reader's cap was cut          |
// | read.limit                   | I     | a report held more records than the parsers keep     |
// | dump.damaged                 | I     | a dump member's offsets or counts do not hold; what  |
// |                              |       | was wrong is named, the rest of it still decoded     |
//
// Evidence is (member, 1-based line); line 0 means the member as a whole (for a missing report,
// the member that should have been there).

} // namespace pv::triage
