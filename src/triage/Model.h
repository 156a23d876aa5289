#pragma once
// What pvtriage knows about one received archive: the facts its parsers read from the reports and
// the findings its rules draw from them. Plain data, filled by pure functions over member bytes;
// text is UTF-8 here because every output (terminal, JSON, HTML) is UTF-8.
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
    std::string Name;                 // "C:\\"
    std::optional<uint64_t> Total;    // bytes
    std::optional<uint64_t> Free;     // bytes
    bool System = false;
    Evidence Where;
};

struct SystemFacts {
    std::string Os;
    std::string Computer;
    std::string Locale;                   // as written on the Locale-Language line
    std::optional<LocalTime> BsodTime;    // empty when none was written or it cannot be read
    std::string BsodTimeText;             // the text as written, kept when it cannot be read
    std::optional<LocalTime> LogTime;
    std::vector<Volume> Volumes;
    std::vector<std::string> Programs;
    Evidence BsodWhere;
};

struct Device {
    std::string Key; // the block's key (MD5 text)
    std::string Name;
    std::string Instance;
    std::optional<long long> Problem; // Prob
    std::optional<long long> Code;    // Code
    std::optional<long long> State;   // Stat (install state)
    bool Reinstall = false;           // Rein
    bool Rollback = false;            // Roll
    std::optional<LocalTime> Installed; // from InDa.D (an OLE date, UTC as the tool writes it)
    std::string Version;                // Vern
    std::string Provider;               // Prvd
    std::string Inf;                    // Inst
    Evidence Where;                     // the block's first line
};

struct Dump {
    std::string Name; // member or file name
    std::optional<LocalTime> Time;
    std::optional<uint64_t> Size;
    Evidence Where;
};

struct EditionFiles {
    std::string Member; // FileList*.txt
    std::string Edition;
    int Files = 0;
};

struct HostsEntry {
    std::string Host;
    std::string Address;
    Evidence Where;
};

struct InstallSection {
    std::string Title;    // the section header after "Section start"
    std::string Device;   // device instance named in the header, when any
    std::optional<LocalTime> Start;
    std::string Status;   // "SUCCESS", "FAILURE(0x...)", or empty when the section never ended
    bool Failed = false;
    std::vector<std::string> Errors; // every "!!!" line, as written
    Evidence Where;
};

enum class Severity { Error, Warning, Info };

struct Finding {
    Severity Level = Severity::Info;
    std::string Id;   // stable, e.g. "device.problem"
    std::string Text; // one sentence
    std::vector<Evidence> Evidence;
};

struct CrashLink {
    LocalTime Time;
    std::string Source; // "BSOD Time" or the dump's name
    std::vector<const Device*> InstallsBefore;
};

// Everything read from one archive.
struct Triage {
    int Members = 0;
    std::vector<std::string> MemberNames;
    std::vector<std::string> Damaged;        // CRC failures (--verify)
    std::vector<std::string> MissingReports; // reports the tool always writes, not present
    std::vector<std::string> OverCap;        // members too large to read
    SystemFacts System;
    std::vector<Device> Devices;
    std::vector<Dump> Dumps;
    std::vector<EditionFiles> Editions;
    std::vector<HostsEntry> Hosts;
    std::optional<bool> MakerHostResolves;
    std::vector<std::string> RegistryValues; // pvreg.txt lines
    std::vector<InstallSection> Installs;
    std::vector<LocalTime> ProductLogDays;   // days that have product-log lines
    std::vector<Finding> Findings;
};

} // namespace pv::triage
