#include "triage/render/RenderText.h"

#include "triage/model/TextEscape.h"

#include <algorithm>
#include <cstdio>

namespace pv::triage {
namespace {

// Line budgets that keep the whole output on one screen; --json always lists everything. Every
// finding is listed when there are at most MaxFindings; past that the rest are counted by id.
constexpr size_t MaxFindings = 30;
// When the findings take more lines than this, the sections after them keep only their
// headlines: the findings already name what those sections would list.
constexpr size_t FindingsBeforeBrief = 12;
constexpr size_t MaxNames = 3;

struct Budget {
    size_t Devices;
    size_t Crashes;
    size_t InstallsPerCrash;
    size_t FailedInstalls;
    size_t Redirects;
};
constexpr Budget Full{4, 2, 3, 3, 3};
constexpr Budget Brief{0, 0, 0, 0, 0};

std::string Safe(std::string_view text) {
    return PrintableText(text);
}

std::string Plural(size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// A section that shows none of its items has said how many there are in its headline.
void More(std::string& out, size_t shown, size_t total, std::string_view what) {
    if (total > shown && shown > 0)
        out += "  ... " + std::to_string(total - shown) + " more " + std::string(what) +
               " (--json lists all)\n";
}

std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size() && i < MaxNames; ++i)
        text += (i ? ", " : "") + Safe(names[i]);
    if (names.size() > MaxNames)
        text += " and " + std::to_string(names.size() - MaxNames) + " more";
    return text;
}

void Header(std::string& out, const Triage& facts, const RenderContext& context) {
    out += Safe(context.ArchiveName) + ": " +
           Plural(static_cast<size_t>(facts.Members), "member", "members") + ", " +
           Plural(facts.Devices.size(), "device", "devices");
    if (!facts.System.Computer.empty())
        out += "; " + Safe(facts.System.Computer);
    if (!facts.System.Os.empty())
        out += ", " + Safe(facts.System.Os);
    if (facts.System.LogTime)
        out += "; written " + ShortTime(*facts.System.LogTime);
    out += "\n";
}

// Returns the number of lines the findings took.
size_t Findings(std::string& out, const Triage& facts) {
    const auto counts = CountBySeverity(facts);
    out += "\nFindings: " + Plural(counts[0], "error", "errors") + ", " +
           Plural(counts[1], "warning", "warnings") + ", " + Plural(counts[2], "note", "notes") +
           "\n";
    const auto findings = FindingsBySeverity(facts);
    const size_t shown = findings.size() <= MaxFindings ? findings.size() : MaxFindings - 1;
    for (size_t i = 0; i < shown; ++i) {
        const Finding& finding = *findings[i];
        char level[16];
        std::snprintf(level, sizeof level, "  %-8s",
                      std::string(SeverityName(finding.Level)).c_str());
        out += level + Safe(finding.Text);
        if (!finding.Evidence.empty())
            out += " [" + Safe(EvidenceText(finding.Evidence.front())) +
                   (finding.Evidence.size() > 1 ? " +" + std::to_string(finding.Evidence.size() - 1)
                                                : "") +
                   "]";
        out += "\n";
    }
    if (shown == findings.size())
        return shown;
    // The rest by id, in the order they come.
    std::vector<std::pair<std::string, size_t>> rest;
    for (size_t i = shown; i < findings.size(); ++i) {
        auto it = std::find_if(rest.begin(), rest.end(),
                               [&](const auto& r) { return r.first == findings[i]->Id; });
        if (it == rest.end())
            rest.emplace_back(findings[i]->Id, 1);
        else
            ++it->second;
    }
    out += "  ... " + std::to_string(findings.size() - shown) + " more findings:";
    for (size_t i = 0; i < rest.size() && i < MaxNames; ++i)
        out += (i ? ", " : " ") + Safe(rest[i].first) + " (" + std::to_string(rest[i].second) + ")";
    if (rest.size() > MaxNames)
        out += " and " + std::to_string(rest.size() - MaxNames) + " more ids";
    out += " (--json lists all)\n";
    return shown + 1;
}

std::string ProblemSummary(const Device& device) {
    std::string text;
    if (device.Problem.value_or(0) != 0)
        text += " problem " + std::to_string(*device.Problem);
    if (device.Code.value_or(0) != 0)
        text += " code " + std::to_string(*device.Code);
    if (device.State.value_or(0) != 0)
        text += " state " + std::to_string(*device.State);
    if (device.Reinstall)
        text += " reinstall";
    return text;
}

void Devices(std::string& out, const Triage& facts, const Budget& budget) {
    const auto devices = DevicesWithProblems(facts);
    if (devices.empty())
        return;
    out += "\nDevices with problems (" + std::to_string(devices.size()) + " of " +
           std::to_string(facts.Devices.size()) + ")\n";
    const size_t shown = std::min(devices.size(), budget.Devices);
    for (size_t i = 0; i < shown; ++i)
        out += "  " + Safe(devices[i]->Name) + " (" + Safe(devices[i]->Instance) +
               "):" + ProblemSummary(*devices[i]) + "\n";
    More(out, shown, devices.size(), "devices");
}

void Crashes(std::string& out, const Triage& facts, const RenderContext& context,
             const Budget& budget) {
    if (facts.Crashes.empty())
        return;
    out += "\nCrashes: " + std::to_string(facts.Crashes.size()) + "\n";
    const size_t shown = std::min(facts.Crashes.size(), budget.Crashes);
    for (size_t i = 0; i < shown; ++i) {
        const CrashLink& crash = facts.Crashes[i];
        std::string when = CrashTimeText(crash);
        when.resize(std::max<size_t>(when.size(), 16), ' ');
        out += "  " + when + "  " + Safe(crash.Source);
        const std::string bugCheck = CrashBugCheck(facts, crash);
        if (!bugCheck.empty()) {
            const std::string fault = CrashFault(facts, crash);
            out += "\n    bug check " + bugCheck +
                   (fault.empty() ? "" : "\n    faulting driver " + Safe(fault));
            if (crash.Driver.Service)
                out += ", service \"" +
                       Safe(facts.System.Drivers[*crash.Driver.Service].DisplayName) + "\"";
            if (crash.Driver.Device)
                out += ", device " + Safe(facts.Devices[*crash.Driver.Device].Name);
        }
        if (crash.InstallsBefore.empty()) {
            out += "\n";
            continue;
        }
        out += (bugCheck.empty() ? ": " : "\n    ") +
               Plural(crash.InstallsBefore.size(), "driver", "drivers") + " installed in the " +
               std::to_string(context.WindowDays) + " days before\n";
        size_t listed = 0;
        for (const Device* device : InstallsBefore(facts, crash)) {
            if (listed == budget.InstallsPerCrash)
                break;
            out += "    " + Safe(device->Name);
            if (device->Installed)
                out += ", installed " + ShortTime(*device->Installed) + " UTC";
            if (device->Rollback)
                out += ", previous driver can be rolled back";
            out += "\n";
            ++listed;
        }
        if (crash.InstallsBefore.size() > listed)
            out += "    ... " + std::to_string(crash.InstallsBefore.size() - listed) + " more\n";
    }
    More(out, shown, facts.Crashes.size(), "crashes");
}

void Installs(std::string& out, const Triage& facts, const Budget& budget) {
    if (facts.Installs.empty())
        return;
    const auto failed = FailedInstallSections(facts);
    out += "\nDriver installs: " + Plural(facts.Installs.size(), "section", "sections") + ", " +
           std::to_string(failed.size()) + " failed\n";
    const size_t shown = std::min(failed.size(), budget.FailedInstalls);
    for (size_t i = 0; i < shown; ++i) {
        const InstallSection& section = *failed[i];
        out += "  " + (section.Start ? ShortTime(*section.Start) : std::string("(no time)")) +
               "  " + Safe(section.Device.empty() ? section.Title : section.Device) + "  " +
               Safe(section.Status) + "\n";
    }
    More(out, shown, failed.size(), "failed installs");
}

void Network(std::string& out, const Triage& facts, const Budget& budget) {
    const auto redirects = HostsRedirects(facts);
    if (redirects.empty() && !facts.MakerHostResolves)
        return;
    out += "\nNetwork: maker's host ";
    if (!facts.MakerHostResolves)
        out += "not tested";
    else
        out += *facts.MakerHostResolves ? "resolves" : "does not resolve";
    out += "; hosts file: " + Plural(redirects.size(), "redirect", "redirects") + "\n";
    const size_t shown = std::min(redirects.size(), budget.Redirects);
    for (size_t i = 0; i < shown; ++i)
        out += "  " + Safe(redirects[i]->Host) + " -> " + Safe(redirects[i]->Address) + "\n";
    More(out, shown, redirects.size(), "redirects");
}

void ArchiveState(std::string& out, const Triage& facts, const RenderContext& context) {
    std::string line;
    if (!facts.Damaged.empty())
        line += "; damaged: " + NameList(facts.Damaged);
    if (!facts.OverCap.empty())
        line += "; too large to read: " + NameList(facts.OverCap);
    if (!facts.MissingReports.empty())
        line += "; missing: " + NameList(facts.MissingReports);
    out += "\nArchive: " +
           std::string(context.Verified
                           ? "every member's CRC checked"
                           : "reports read, CRCs of other members not checked (--verify)") +
           line + "\n";
}

const char* DiffMarker(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::DeviceAdded:
    case ChangeKind::ProblemAppeared:
    case ChangeKind::CrashAdded:
        return "+";
    case ChangeKind::DeviceRemoved:
    case ChangeKind::ProblemCleared:
        return "-";
    case ChangeKind::DriverChanged:
        break;
    }
    return "~";
}

} // namespace

std::string RenderText(const Triage& facts, const RenderContext& context) {
    std::string out;
    Header(out, facts, context);
    const Budget& budget = Findings(out, facts) > FindingsBeforeBrief ? Brief : Full;
    Devices(out, facts, budget);
    Crashes(out, facts, context, budget);
    Installs(out, facts, budget);
    Network(out, facts, budget);
    ArchiveState(out, facts, context);
    return out;
}

std::string RenderDiffText(const ArchiveDiff& diff, const RenderContext& olderContext,
                           const RenderContext& newerContext) {
    std::string out = Safe(olderContext.ArchiveName) + " -> " + Safe(newerContext.ArchiveName) +
                      ": " + Plural(diff.Changes.size(), "change", "changes") + "\n";
    for (const Change& change : diff.Changes) {
        out += std::string("  ") + DiffMarker(change.Kind) + " " + Safe(change.Text);
        if (!change.Before.empty() || !change.After.empty())
            out += " (" + Safe(change.Before) + " -> " + Safe(change.After) + ")";
        out += "\n";
    }
    return out;
}

} // namespace pv::triage
