#pragma once
// pvtriage's core entry points: archive members in, facts and findings out. Pure functions; the
// caller reads the archive (with its own caps) and hands over every member it found.
#include "triage/Model.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pv::triage {

// One archive member as the reader found it, in archive order. Names are as stored ("/" between
// folders, non-ASCII escaped as "#XXXX"); a name may occur twice. Bytes may be cut short: the
// reader sets OverCap when it stopped at its cap, and Damaged when the data failed its CRC; both
// are still parsed for whatever they hold.
struct Member {
    std::string Name;
    std::string Bytes;
    bool OverCap = false;
    bool Damaged = false;
    std::optional<int64_t> Modified; // the member's stored last-write time, Unix seconds (UTC)
};

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

// Finding ids; the sentence of each is built in Analyse.
//
// | Id                      | Severity      | When |
// |-------------------------|---------------|--------------------------------------------------------|
// | archive.damaged         | Error         | a member's data failed its CRC | | archive.overcap |
// Warning       | a member was larger than the reader's cap; cut short   | | report.missing |
// Warning       | a report the tool always writes is not in the archive  | | device.problem | Error
// | a device has a problem number or problem code          | | device.install_state    | Warning |
// a device's install state is not 0 (installed)          | | device.reinstall        | Warning | a
// device's configuration asks for a reinstall          | | crash.recent_driver     | Warning | a
// driver was installed within the window before a crash| | crash.recent_driver_rollback | Error |
// the same, and a previous driver can be rolled back to  | | crash.recorded          | Info | a
// crash time (BSOD Time or a dump) was found           | | install.failed          | Error | a
// setupapi.dev.log section ended with FAILURE(0x...)   | | hosts.maker_redirect    | Error | the
// hosts file sends a maker host name elsewhere       | | network.maker_unresolved| Warning       |
// PingHosts.txt shows the maker's host did not resolve   | | volume.low_space        | Warning | a
// volume has less than 5% free                         | | volume.system_low_space | Error | the
// system volume has less than 2 GB free              | | read.date               | Info          |
// a date in a report could not be read                   | | read.encoding           | Info | a
// report's bytes were odd in length or had no BOM      | | read.long_line          | Info | a line
// longer than the reader's cap was cut            |

} // namespace pv::triage
