#pragma once
// What pvtriage knows about one received archive: the facts its parsers read from the reports and
// the findings its rules draw from them. Plain data, filled by pure functions over member bytes;
// text is UTF-8 here because every output (terminal, JSON, HTML) is UTF-8.
#include "triage/dump/DumpDecode.h"
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pv::triage {

// A local time as the machine wrote it; no time zone is known or implied.
struct LocalTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
    friend auto operator<=>(const LocalTime&, const LocalTime&) = default;
};

// Where a fact was read: a member name and a 1-based line (0 = the member as a whole).
struct Evidence {
    std::string Member;
    int Line = 0;
    friend bool operator==(const Evidence&, const Evidence&) = default;
};

struct Volume {
    std::string Name; // "C:" as the report writes the drive part, without brackets
    std::string Label;
    std::string FileSystem;
    std::optional<uint64_t> Total; // bytes (the report rounds to two decimals of its unit)
    std::optional<uint64_t> Free;  // bytes
    bool System = false;           // the Windows volume (C: unless the report says otherwise)
    Evidence Where;
};

// A line of the system report's Drivers section: "[name] display name".
struct DriverService {
    std::string Name;
    std::string DisplayName;
    Evidence Where;
};

// A line of the system report's System Restore section: "time | description | type".
struct RestorePoint {
    std::string TimeText;
    std::string Description;
    std::string Type;
    Evidence Where;
};

struct SystemFacts {
    bool Present = false; // SystemInfo.txt was read
    std::string Os;
    std::string Computer;
    std::string Locale;                // as written on the Locale-Language line
    std::optional<LocalTime> BsodTime; // empty when none was written or it cannot be read
    std::string BsodTimeText;          // the text as written ("N/A" when no crash qualified)
    std::optional<LocalTime> LogTime;
    std::string LogTimeText;
    std::vector<Volume> Volumes;
    std::vector<std::string> Programs;
    std::vector<DriverService> Drivers;
    std::vector<RestorePoint> RestorePoints;
    std::optional<int> UtcOffsetMinutes; // from the Time Zone line: local time minus UTC
    Evidence BsodWhere;
    Evidence LogWhere;
};

struct Device {
    std::string Key; // the block's key (MD5 text)
    std::string Name;
    std::string Class;                   // " Type = " value: class GUID and class name
    std::string Instance;                // Inst
    std::optional<long long> Problem;    // Prob
    std::optional<long long> Code;       // Code
    std::optional<long long> State;      // Stat (install state)
    bool Plugged = false;                // Plug
    bool Reinstall = false;              // Rein
    bool Rollback = false;               // Roll
    std::optional<LocalTime> Installed;  // from InDa.D (an OLE date, UTC as the tool writes it)
    std::string InstalledText;           // the InDa.D text as written
    std::optional<LocalTime> DriverDate; // from Date.D
    std::string DriverDateText;
    std::string Version;  // Vern
    std::string Provider; // Prvd
    std::string Inf;      // INF the device's newest install section names (setupapi.dev.log)
    Evidence Where;       // the block's first line
};

struct Dump {
    std::string Name;              // member name, or the full path MEMORYDMP.txt lists
    std::optional<LocalTime> Time; // creation date (MEMORYDMP.txt) or the member's stored time
    std::string TimeText;          // the date as written, kept when it cannot be read
    bool DateOnly = false;         // Time holds the day alone
    std::optional<uint64_t> Size;  // bytes
    bool FullDump = false;         // the full memory dump rather than a minidump
    bool Member = false;           // the dump file itself is in the archive
    bool TimeUtc = false;          // Time is the dump's own UTC time (the zone is unknown)
    std::optional<size_t> File;    // the decoded member, an index into Triage::DumpFiles
    Evidence Where;
};

// A *.dmp member of the archive and what its bytes hold.
struct DumpFile {
    std::string Member;
    bool Read = false; // its bytes were there to decode (not over the reader's cap)
    DecodedDump Decoded;
    std::optional<LocalTime> CrashLocal; // the crash in the machine's local time, when known
};

struct EditionFiles {
    std::string Member; // FileList*.txt
    std::string Edition;
    int Files = 0;
    int WithoutDigest = 0; // lines whose digest field is empty
};

struct HostsEntry {
    std::string Host;
    std::string Address;
    Evidence Where;
};

struct PingFacts {
    bool Present = false;
    std::string Host;    // the host the output names
    std::string Address; // the address in square brackets, when it resolved
    std::string Text;    // the captured first line(s)
    Evidence Where;
};

struct InstallSection {
    std::string Title;  // the section header after "Section start"
    std::string Device; // device instance named in the header, when any
    std::string Inf;    // the selected driver's "InfFile", when the section names one
    std::optional<LocalTime> Start;
    std::string Status; // "SUCCESS", "FAILURE(0x...)", or empty when the section never ended
    bool Failed = false;
    std::vector<std::string> Errors;      // every "!!!" line, as written
    std::vector<int> ErrorLines;          // their 1-based lines, paired with Errors
    std::vector<std::string> DriverFiles; // "*.sys" file names the section mentions, lower case
    std::vector<int> DriverFileLines;     // the line of each one's first mention
    Evidence Where;
};

enum class Severity { Error, Warning, Info };

using EvidenceList = std::vector<Evidence>;

struct Finding {
    Severity Level = Severity::Info;
    std::string Id;   // stable, e.g. "device.problem"
    std::string Text; // one sentence
    EvidenceList Evidence;
};

// Something a parser could not read as it expected (odd byte count, cut line, unreadable date).
struct ReadNote {
    std::string Id; // as a finding id, e.g. "read.date"
    std::string Text;
    Evidence Where;
};

// What the archive says of the driver a crash happened in. Each link names how it was made;
// none is made without a fact behind it.
struct CrashDriver {
    std::optional<size_t> Service; // index into SystemFacts::Drivers (same base name)
    std::optional<size_t> Device;  // index into Triage::Devices
    std::optional<size_t> Install; // index into Triage::Installs: the section naming it
    std::string DeviceMatch;       // how the device was found, as a sentence fragment
    // The device's newest "... driver update: <device>" restore point (SystemFacts index).
    std::optional<size_t> UpdatePoint;
};

// A crash and the devices whose driver was installed within the window before it.
struct CrashLink {
    LocalTime Time;
    std::string Source;    // "BSOD Time" or the dump's name
    bool DateOnly = false; // only the day is known (the dump listing writes dates alone)
    bool TimeUtc = false;  // Time is UTC (a dump's own time on a machine of unknown zone)
    Evidence Where;
    std::vector<size_t> InstallsBefore; // indices into Triage::Devices
    std::optional<size_t> DumpFile;     // the decoded dump of this crash (Triage::DumpFiles)
    CrashDriver Driver;                 // when the dump names a faulting module
};

// Everything read from one archive.
struct Triage {
    int Members = 0;
    std::vector<std::string> MemberNames;
    std::vector<std::string> Damaged;        // CRC failures (--verify)
    std::vector<std::string> MissingReports; // reports the tool always writes, not present
    std::vector<std::string> OverCap;        // members too large to read whole
    SystemFacts System;
    std::vector<Device> Devices;
    std::vector<Dump> Dumps;
    std::vector<DumpFile> DumpFiles; // every top-level *.dmp member but the product's own
    std::vector<EditionFiles> Editions;
    std::vector<HostsEntry> Hosts;
    PingFacts Ping;
    std::optional<bool> MakerHostResolves;
    std::vector<std::string> RegistryValues; // pvreg.txt lines
    std::vector<InstallSection> Installs;
    std::vector<LocalTime> ProductLogDays; // days that have product-log members
    std::vector<CrashLink> Crashes;
    std::vector<ReadNote> Notes;
    std::vector<Finding> Findings;
};

} // namespace pv::triage
