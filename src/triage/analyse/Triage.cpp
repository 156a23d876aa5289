#include "triage/analyse/Triage.h"
#include "triage/model/DateText.h"
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/model/ReportNames.h"
#include "triage/model/TextTools.h"
#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>

namespace pv::triage {

namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr std::string_view kProductLogFolder = "AppData/Logs/Main/";

// The first member of this name; a member the reader could not read at all does not count.
const Member* FindMember(const std::vector<Member>& members, std::string_view name) {
    for (const Member& m : members) {
        if (EqualsNoCase(NormalMemberName(m.Name), name) && !(m.OverCap && m.Bytes.empty())) {
            return &m;
        }
    }
    return nullptr;
}

bool IsTopLevel(std::string_view name) {
    return name.find('/') == std::string_view::npos;
}

std::string FileNameOf(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// "AppData/Logs/Main/20240131.log" (also "_auto", "_beta" ...) gives 31 January 2024.
std::optional<LocalTime> ProductLogDay(std::string_view name) {
    if (!StartsWithNoCase(name, kProductLogFolder)) {
        return std::nullopt;
    }
    const std::string_view file = name.substr(kProductLogFolder.size());
    if (file.size() < 12 || !EndsWithNoCase(file, ".log") ||
        file.find('/') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view digits = file.substr(0, 8);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos ||
        (file.size() > 12 && file[8] != '_')) {
        return std::nullopt;
    }
    const std::string text = std::string(digits.substr(0, 4)) + "/" +
                             std::string(digits.substr(4, 2)) + "/" +
                             std::string(digits.substr(6, 2)) + " 00:00:00";
    return ReadLogTimestamp(text);
}

// Each top-level dump member is decoded; its own crash time replaces the time the listing or
// the member's stored time gives the dump.
void AddDumpMembers(const std::vector<Member>& members, Triage& facts) {
    const std::optional<int> offset = facts.System.UtcOffsetMinutes;
    for (const Member& m : members) {
        const std::string name = NormalMemberName(m.Name);
        if (!IsTopLevel(name) || !EndsWithNoCase(name, ".dmp") ||
            EqualsNoCase(name, kProductDumpMember) || facts.DumpFiles.size() >= kMaxDumps) {
            continue;
        }
        DumpFile file;
        file.Member = m.Name;
        file.Read = !m.Bytes.empty() || !m.OverCap;
        if (file.Read) {
            file.Decoded = DecodeDump(m.Bytes);
        }
        for (const std::string& note : file.Decoded.Notes) {
            facts.Notes.push_back(
                {"dump.damaged", m.Name + " is damaged: " + note + ".", {m.Name, 0}});
        }
        if (file.Decoded.Time && offset) {
            file.CrashLocal = FromUnixSeconds(*file.Decoded.Time + *offset * 60LL);
        }
        const size_t index = facts.DumpFiles.size();
        facts.DumpFiles.push_back(std::move(file));
        const DumpFile& decoded = facts.DumpFiles.back();

        auto listed = std::find_if(facts.Dumps.begin(), facts.Dumps.end(), [&](const Dump& d) {
            return EqualsNoCase(FileNameOf(d.Name), name);
        });
        if (listed == facts.Dumps.end()) {
            Dump d;
            d.Name = m.Name;
            d.Size = m.Size;
            d.Where = {m.Name, 0};
            if (m.Modified) {
                d.Time = FromUnixSeconds(*m.Modified);
                d.TimeText = FormatLocalTime(*d.Time);
            }
            facts.Dumps.push_back(std::move(d));
            listed = facts.Dumps.end() - 1;
        }
        listed->Member = true;
        listed->File = index;
        if (decoded.Decoded.Time) {
            listed->Time =
                decoded.CrashLocal ? *decoded.CrashLocal : FromUnixSeconds(*decoded.Decoded.Time);
            listed->TimeUtc = !decoded.CrashLocal;
            listed->DateOnly = false;
            listed->TimeText = FormatLocalTime(*listed->Time) + (listed->TimeUtc ? " UTC" : "");
        }
    }
}

// The maker's host resolves when the ping output names it with an address; it does not when the
// output names it without one. Output about another host (an administrator's) says nothing.
std::optional<bool> MakerHostResolves(const PingFacts& ping, const Options& options) {
    if (!ping.Present || ping.Text.empty()) {
        return std::nullopt;
    }
    if (IsMakerHost(ping.Host, options.MakerHosts)) {
        return !ping.Address.empty();
    }
    if (ping.Host.empty() && ping.Address.empty()) {
        for (const std::string& host : options.MakerHosts) {
            if (!host.empty() && FindNoCase(ping.Text, host) != std::string_view::npos) {
                return false;
            }
        }
    }
    return std::nullopt;
}

void LinkInfs(Triage& facts) {
    for (Device& d : facts.Devices) {
        if (d.Instance.empty()) {
            continue;
        }
        for (auto s = facts.Installs.rbegin(); s != facts.Installs.rend(); ++s) {
            if (!s->Inf.empty() && EqualsNoCase(s->Device, d.Instance)) {
                d.Inf = s->Inf;
                break;
            }
        }
    }
}

std::string BaseName(std::string_view file) {
    const size_t dot = file.rfind('.');
    return std::string(dot == std::string_view::npos ? file : file.substr(0, dot));
}

std::string_view FirstWord(std::string_view text) {
    text = TrimText(text);
    return text.substr(0, text.find_first_of(" ,.("));
}

// The newest restore point "... driver update: <device name>" of this device.
std::optional<size_t> DriverUpdatePoint(const Triage& facts, const Device& device) {
    constexpr std::string_view kUpdate = "driver update: ";
    if (device.Name.empty()) {
        return std::nullopt;
    }
    std::optional<size_t> found;
    for (size_t i = 0; i < facts.System.RestorePoints.size(); ++i) {
        const std::string& text = facts.System.RestorePoints[i].Description;
        const size_t at = FindNoCase(text, kUpdate);
        if (at != std::string::npos &&
            EqualsNoCase(TrimText(std::string_view(text).substr(at + kUpdate.size())),
                         device.Name)) {
            found = i;
        }
    }
    return found;
}

// The faulting module of a crash's dump joined to what the archive knows of it: the driver
// service of the same base name, and the device whose install section names the file.
void LinkCrashDriver(Triage& facts, CrashLink& crash) {
    if (!crash.DumpFile) {
        return;
    }
    const auto& faulting = facts.DumpFiles[*crash.DumpFile].Decoded.Faulting;
    if (!faulting || IsKernelOrHal(faulting->Name)) {
        return;
    }
    const std::string base = BaseName(faulting->Name);
    for (size_t i = 0; i < facts.System.Drivers.size(); ++i) {
        if (EqualsNoCase(facts.System.Drivers[i].Name, base)) {
            crash.Driver.Service = i;
            break;
        }
    }
    const std::string file = LowerText(faulting->Name);
    const auto done = [&] {
        crash.Driver.UpdatePoint = DriverUpdatePoint(facts, facts.Devices[*crash.Driver.Device]);
    };
    for (size_t k = facts.Installs.size(); k-- > 0;) {
        const InstallSection& s = facts.Installs[k];
        const auto named = std::find(s.DriverFiles.begin(), s.DriverFiles.end(), file);
        if (named == s.DriverFiles.end() || s.Device.empty()) {
            continue;
        }
        for (size_t d = 0; d < facts.Devices.size(); ++d) {
            if (EqualsNoCase(facts.Devices[d].Instance, s.Device)) {
                crash.Driver.Install = k;
                crash.Driver.Device = d;
                crash.Driver.DeviceMatch =
                    s.Where.Member + " line " +
                    std::to_string(
                        s.DriverFileLines[static_cast<size_t>(named - s.DriverFiles.begin())]) +
                    " names " + file + " in the install of " + s.Device;
                done();
                return;
            }
        }
    }
    // No install names the file. A device is taken only when two facts point at it: the
    // service's display name holds the device's provider (its first word), and a restore point
    // records a driver update of that very device.
    if (!crash.Driver.Service) {
        return;
    }
    const DriverService& service = facts.System.Drivers[*crash.Driver.Service];
    for (size_t d = 0; d < facts.Devices.size(); ++d) {
        const Device& device = facts.Devices[d];
        const std::string_view provider = FirstWord(device.Provider);
        if (provider.size() < 3 || FindNoCase(service.DisplayName, provider) == std::string::npos) {
            continue;
        }
        if (const auto point = DriverUpdatePoint(facts, device)) {
            const RestorePoint& p = facts.System.RestorePoints[*point];
            crash.Driver.Device = d;
            crash.Driver.UpdatePoint = point;
            crash.Driver.DeviceMatch =
                "by name only: the service's display name names its provider " +
                std::string(provider) + ", and the restore point of " + p.TimeText + " \"" +
                p.Description + "\" updated it";
            return;
        }
    }
}

// The crash's moment in UTC seconds when a dump gives it, else in local seconds (good to the
// day against install dates, which are UTC).
long long CrashSeconds(const Triage& facts, const CrashLink& c) {
    if (c.DumpFile) {
        if (const auto& t = facts.DumpFiles[*c.DumpFile].Decoded.Time) {
            return *t + kUnixEpochDay * kSecondsPerDay;
        }
    }
    return c.DateOnly ? DayNumberOf(c.Time) * kSecondsPerDay + kSecondsPerDay - 1
                      : SecondsOf(c.Time);
}

// Crashes newest first: the report's BSOD Time, then every dump. A decoded dump whose local
// time agrees with BSOD Time within a minute is that crash; any other dated dump is a crash of
// its own unless, known by its listing or stored time alone, it falls on a day already listed.
void LinkCrashes(Triage& facts, const Options& options) {
    constexpr long long kSameCrashSeconds = 60;
    if (facts.System.BsodTime) {
        CrashLink bsod{*facts.System.BsodTime, "BSOD Time", false,        false,
                       facts.System.BsodWhere, {},          std::nullopt, {}};
        for (size_t i = 0; i < facts.DumpFiles.size(); ++i) {
            const auto& local = facts.DumpFiles[i].CrashLocal;
            if (local &&
                std::llabs(SecondsOf(*local) - SecondsOf(bsod.Time)) <= kSameCrashSeconds) {
                bsod.DumpFile = i;
                break;
            }
        }
        facts.Crashes.push_back(std::move(bsod));
    }
    for (const Dump& d : facts.Dumps) {
        if (!d.Time) {
            continue;
        }
        const bool decoded = d.File && facts.DumpFiles[*d.File].Decoded.Time;
        if (decoded) {
            const bool known =
                std::any_of(facts.Crashes.begin(), facts.Crashes.end(),
                            [&](const CrashLink& c) { return c.DumpFile == d.File; });
            if (!known) {
                facts.Crashes.push_back(
                    {*d.Time, FileNameOf(d.Name), false, d.TimeUtc, d.Where, {}, d.File, {}});
            }
            continue;
        }
        const bool sameDay =
            std::any_of(facts.Crashes.begin(), facts.Crashes.end(), [&](const CrashLink& c) {
                return DayNumberOf(c.Time) == DayNumberOf(*d.Time);
            });
        if (!sameDay) {
            facts.Crashes.push_back(
                {*d.Time, FileNameOf(d.Name), d.DateOnly, false, d.Where, {}, std::nullopt, {}});
        }
    }
    std::stable_sort(facts.Crashes.begin(), facts.Crashes.end(),
                     [](const CrashLink& a, const CrashLink& b) { return a.Time > b.Time; });

    const long long window = std::max(0, options.WindowDays) * kSecondsPerDay;
    for (CrashLink& c : facts.Crashes) {
        const long long crash = CrashSeconds(facts, c);
        for (size_t i = 0; i < facts.Devices.size(); ++i) {
            const auto& installed = facts.Devices[i].Installed;
            if (!installed) {
                continue;
            }
            const long long before = crash - SecondsOf(*installed);
            if (before >= 0 && before <= window) {
                c.InstallsBefore.push_back(i);
            }
        }
        // Newest installs first, and only as many as anyone would read.
        const auto newer = [&](size_t a, size_t b) {
            return std::tie(*facts.Devices[a].Installed, b) >
                   std::tie(*facts.Devices[b].Installed, a);
        };
        const size_t keep = std::min(c.InstallsBefore.size(), kMaxInstallsPerCrash);
        std::partial_sort(c.InstallsBefore.begin(),
                          c.InstallsBefore.begin() + static_cast<std::ptrdiff_t>(keep),
                          c.InstallsBefore.end(), newer);
        c.InstallsBefore.resize(keep);
        LinkCrashDriver(facts, c);
    }
}

} // namespace

Triage ReadArchiveFacts(const std::vector<Member>& members, const Options& options) {
    Triage facts;
    facts.Members = static_cast<int>(members.size());
    std::set<LocalTime> logDays;
    for (const Member& m : members) {
        facts.MemberNames.push_back(m.Name);
        if (m.Damaged) {
            facts.Damaged.push_back(m.Name);
        }
        if (m.OverCap) {
            facts.OverCap.push_back(m.Name);
        }
        if (const auto day = ProductLogDay(NormalMemberName(m.Name))) {
            logDays.insert(*day);
        }
    }
    facts.ProductLogDays.assign(logDays.begin(), logDays.end());
    for (const std::string_view report : kAlwaysWrittenReports) {
        const bool present = std::any_of(members.begin(), members.end(), [&](const Member& m) {
            return EqualsNoCase(NormalMemberName(m.Name), report);
        });
        if (!present) {
            facts.MissingReports.emplace_back(report);
        }
    }

    // The system report comes first: its locale tells how the other reports write dates.
    if (const Member* m = FindMember(members, kSystemInfoMember)) {
        facts.System = ParseSystemInfo(m->Bytes, m->Name, facts.Notes);
    }
    if (const Member* m = FindMember(members, kDeviceListMember)) {
        facts.Devices = ParseDeviceList(m->Bytes, m->Name, facts.Notes);
    }
    if (const Member* m = FindMember(members, kMemoryDumpMember)) {
        facts.Dumps = ParseMemoryDumpList(m->Bytes, m->Name, facts.System.Locale, facts.Notes);
    }
    AddDumpMembers(members, facts);
    for (const Member& m : members) {
        const std::string name = NormalMemberName(m.Name);
        if (IsTopLevel(name) && StartsWithNoCase(name, "FileList") &&
            EndsWithNoCase(name, ".txt")) {
            facts.Editions.push_back(ParseFileList(m.Bytes, m.Name, facts.Notes));
        }
    }
    if (const Member* m = FindMember(members, kPingHostsMember)) {
        facts.Ping = ParsePingHosts(m->Bytes, m->Name, facts.Notes);
    }
    facts.MakerHostResolves = MakerHostResolves(facts.Ping, options);
    if (const Member* m = FindMember(members, kHostsMember)) {
        facts.Hosts = ParseHostsFile(m->Bytes, m->Name, options.MakerHosts, facts.Notes);
    }
    if (const Member* m = FindMember(members, kRegistryDumpMember)) {
        facts.RegistryValues = ParseRegistryDump(m->Bytes, m->Name, facts.Notes);
    }
    if (const Member* m = FindMember(members, kSetupApiLogMember)) {
        facts.Installs = ParseSetupApiLog(m->Bytes, m->Name, facts.Notes);
    }
    LinkInfs(facts);
    LinkCrashes(facts, options);
    facts.Findings = Analyse(facts, options);
    return facts;
}

} // namespace pv::triage
