#pragma once
// What the three outputs (text, JSON, HTML) share: the context of one run, how times and
// severities are written, and which devices count as having a problem.
#include "triage/model/Model.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pv::triage {

struct RenderContext {
    std::string ArchiveName; // the file as named on the command line
    bool Verified = false;   // every member's CRC was checked
    int WindowDays = 7;
};

// "2024-01-23T10:11:12": ISO 8601 without a zone, as the machine wrote it.
std::string IsoTime(const LocalTime& time);
// "2024-01-23"
std::string IsoDate(const LocalTime& time);
// "2024-01-23 10:11", for people.
std::string ShortTime(const LocalTime& time);

// A crash's time for people: its day alone when that is all the archive says; " UTC" after a
// dump's own time on a machine whose zone is not known.
std::string CrashTimeText(const CrashLink& crash);

// The decoded kernel dump of a crash, or null.
const DecodedDump* CrashDump(const Triage& facts, const CrashLink& crash);
// "0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M"; empty without a decoded dump.
std::string CrashBugCheck(const Triage& facts, const CrashLink& crash);
// "nvlddmkm.sys +0x334C"; empty when no dump names the module of the fault.
std::string CrashFault(const Triage& facts, const CrashLink& crash);
// The close-up's mark: "SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M in nvlddmkm.sys".
std::string CrashMark(const Triage& facts, const CrashLink& crash);

std::string_view SeverityName(Severity level); // "error", "warning", "info"

// A problem number or code, an install state other than installed, or a pending reinstall.
bool HasProblem(const Device& device);
std::vector<const Device*> DevicesWithProblems(const Triage& facts);

// Hosts-file entries other than the machine's own loopback names (localhost to 127.x or ::1):
// the ones that send a host somewhere.
std::vector<const HostsEntry*> HostsRedirects(const Triage& facts);

// Findings ordered by severity (errors first), keeping the core's order within a severity.
std::vector<const Finding*> FindingsBySeverity(const Triage& facts);
std::array<size_t, 3> CountBySeverity(const Triage& facts); // errors, warnings, infos

std::vector<const InstallSection*> FailedInstallSections(const Triage& facts);

// The devices linked to `crash`, in its order.
std::vector<const Device*> InstallsBefore(const Triage& facts, const CrashLink& crash);

// "DeviceList.txt:12", or the member alone for line 0.
std::string EvidenceText(const Evidence& where);

} // namespace pv::triage
