#include "triage/render/RenderFacts.h"

#include "triage/dump/BugCheckNames.h"
#include "triage/model/TextTools.h"

#include <algorithm>
#include <cstdio>

namespace pv::triage {

std::string IsoTime(const LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    return text;
}

std::string IsoDate(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.Year, t.Month, t.Day);
    return text;
}

std::string ShortTime(const LocalTime& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.Year, t.Month, t.Day, t.Hour,
                  t.Minute);
    return text;
}

std::string CrashTimeText(const CrashLink& crash) {
    return crash.DateOnly ? IsoDate(crash.Time)
                          : ShortTime(crash.Time) + (crash.TimeUtc ? " UTC" : "");
}

const DecodedDump* CrashDump(const Triage& facts, const CrashLink& crash) {
    if (!crash.DumpFile || *crash.DumpFile >= facts.DumpFiles.size())
        return nullptr;
    const DumpFile& file = facts.DumpFiles[*crash.DumpFile];
    return file.Read && file.Decoded.HasBugCheck ? &file.Decoded : nullptr;
}

std::string CrashBugCheck(const Triage& facts, const CrashLink& crash) {
    const DecodedDump* dump = CrashDump(facts, crash);
    if (!dump)
        return {};
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", dump->BugCheckCode);
    const std::string name = BugCheckName(dump->BugCheckCode);
    return name.empty() ? std::string(code) : std::string(code) + " " + name;
}

std::string CrashFault(const Triage& facts, const CrashLink& crash) {
    const DecodedDump* dump = CrashDump(facts, crash);
    if (!dump || !dump->Faulting)
        return {};
    char offset[24];
    std::snprintf(offset, sizeof offset, "+0x%llX",
                  static_cast<unsigned long long>(dump->Faulting->Offset));
    return dump->Faulting->Name + " " + offset;
}

std::string CrashMark(const Triage& facts, const CrashLink& crash) {
    const DecodedDump* dump = CrashDump(facts, crash);
    if (!dump)
        return {};
    std::string mark = BugCheckName(dump->BugCheckCode);
    if (mark.empty())
        mark = CrashBugCheck(facts, crash);
    if (dump->Faulting)
        mark += " in " + dump->Faulting->Name;
    return mark;
}

std::string_view SeverityName(Severity level) {
    switch (level) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Info:
        break;
    }
    return "info";
}

bool HasProblem(const Device& device) {
    return device.Problem.value_or(0) != 0 || device.Code.value_or(0) != 0 ||
           device.State.value_or(0) != 0 || device.Reinstall;
}

std::vector<const Device*> DevicesWithProblems(const Triage& facts) {
    std::vector<const Device*> devices;
    for (const Device& device : facts.Devices)
        if (HasProblem(device))
            devices.push_back(&device);
    return devices;
}

namespace {

bool IsLoopbackName(std::string_view host) {
    for (std::string_view name :
         {"localhost", "localhost.localdomain", "ip6-localhost", "ip6-loopback"})
        if (EqualsNoCase(host, name))
            return true;
    return false;
}

bool IsLoopbackAddress(std::string_view address) {
    return address.starts_with("127.") || address == "::1" || address == "0:0:0:0:0:0:0:1";
}

} // namespace

std::vector<const HostsEntry*> HostsRedirects(const Triage& facts) {
    std::vector<const HostsEntry*> redirects;
    for (const HostsEntry& entry : facts.Hosts)
        if (!(IsLoopbackName(entry.Host) && IsLoopbackAddress(entry.Address)))
            redirects.push_back(&entry);
    return redirects;
}

std::vector<const Finding*> FindingsBySeverity(const Triage& facts) {
    std::vector<const Finding*> findings;
    findings.reserve(facts.Findings.size());
    for (const Finding& finding : facts.Findings)
        findings.push_back(&finding);
    std::stable_sort(findings.begin(), findings.end(), [](const Finding* a, const Finding* b) {
        return static_cast<int>(a->Level) < static_cast<int>(b->Level);
    });
    return findings;
}

std::array<size_t, 3> CountBySeverity(const Triage& facts) {
    std::array<size_t, 3> counts{};
    for (const Finding& finding : facts.Findings)
        ++counts[static_cast<size_t>(finding.Level)];
    return counts;
}

std::vector<const InstallSection*> FailedInstallSections(const Triage& facts) {
    std::vector<const InstallSection*> failed;
    for (const InstallSection& section : facts.Installs)
        if (section.Failed)
            failed.push_back(&section);
    return failed;
}

std::vector<const Device*> InstallsBefore(const Triage& facts, const CrashLink& crash) {
    std::vector<const Device*> devices;
    for (size_t index : crash.InstallsBefore)
        if (index < facts.Devices.size())
            devices.push_back(&facts.Devices[index]);
    return devices;
}

std::string EvidenceText(const Evidence& where) {
    if (where.Line <= 0)
        return where.Member;
    return where.Member + ":" + std::to_string(where.Line);
}

} // namespace pv::triage
