#include "triage/render/RenderHtml.h"

#include "triage/model/TextEscape.h"
#include "triage/render/RenderTimeline.h"

namespace pv::triage {
namespace {

constexpr std::string_view Style = R"css(
body { font: 14px/1.4 "DejaVu Sans", Arial, sans-serif; margin: 16px 24px; color: #1d1d1d; }
h1 { font-size: 20px; margin: 0 0 4px; }
h2 { font-size: 16px; margin: 20px 0 6px; border-bottom: 1px solid #ddd; }
h3 { font-size: 14px; margin: 12px 0 4px; }
.summary { color: #555; margin: 0 0 8px; }
table { border-collapse: collapse; }
th, td { text-align: left; padding: 3px 10px 3px 0; vertical-align: top; }
td { overflow-wrap: anywhere; }
th { border-bottom: 1px solid #bbb; font-weight: 600; white-space: nowrap; }
td.num { text-align: right; }
.sev { font-weight: 600; text-transform: uppercase; font-size: 12px; }
.sev.error { color: #b00000; } .sev.warning { color: #a05a00; } .sev.info { color: #44669a; }
.ev { color: #666; font-size: 12px; }
.none { color: #777; }
.legend span { display: inline-block; margin-right: 16px; }
.legend i { display: inline-block; width: 12px; height: 12px; margin-right: 4px; vertical-align: -1px; }
svg.timeline .lane { fill: #f6f6f6; }
svg.timeline .lanename, svg.timeline .tick { font: 12px "DejaVu Sans", Arial, sans-serif; fill: #333; }
svg.timeline .grid { stroke: #e2e2e2; }
svg.timeline .axis { stroke: #777; }
svg.timeline .window { fill: #d40000; fill-opacity: 0.08; }
svg.timeline .crashline { stroke: #d40000; stroke-dasharray: 4 3; }
svg.timeline .crashname { font-size: 11px; fill: #a00000; font-weight: bold; }
)css";

std::string H(std::string_view text) {
    return HtmlText(text);
}

std::string Cell(std::string_view text) {
    return "<td>" + H(text) + "</td>";
}

std::string Cell(const std::optional<long long>& value) {
    return "<td class=\"num\">" + (value ? std::to_string(*value) : std::string()) + "</td>";
}

std::string EvidenceCell(const std::vector<Evidence>& evidence) {
    std::string cell = "<td class=\"ev\">";
    for (size_t i = 0; i < evidence.size(); ++i)
        cell += (i ? "<br>" : "") + H(EvidenceText(evidence[i]));
    return cell + "</td>";
}

void Summary(std::string& page, const Triage& facts, const RenderContext& context) {
    page += "<h1>" + H(context.ArchiveName) + "</h1>\n<p class=\"summary\">" +
            std::to_string(facts.Members) + " members &middot; " +
            std::to_string(facts.Devices.size()) + " devices";
    if (!facts.System.Computer.empty())
        page += " &middot; " + H(facts.System.Computer);
    if (!facts.System.Os.empty())
        page += " &middot; " + H(facts.System.Os);
    if (facts.System.LogTime)
        page += " &middot; written " + H(ShortTime(*facts.System.LogTime));
    page += "</p>\n";
}

void TimelineSection(std::string& page, const Triage& facts, const RenderContext& context) {
    const Timeline timeline = RenderTimeline(facts, context);
    page += "<h2>Timeline</h2>\n" + timeline.Svg;
    page += "<p class=\"legend\">";
    const auto key = [&](std::string_view colour, std::string_view what) {
        page += "<span><i style=\"background:" + std::string(colour) + "\"></i>" +
                std::string(what) + "</span>";
    };
    key(TimelineInstallColour, "driver installed (device install date, UTC)");
    key(TimelineFailedColour, "failed install (setupapi.dev.log)");
    key(TimelineCrashColour, "crash (BSOD time, dumps)");
    key(TimelineLogColour, "day with a product log");
    page += "<br>The shaded band before a crash covers the " + std::to_string(context.WindowDays) +
            " days in which a driver install counts as recent.";
    if (timeline.Segments > 1)
        page += " Time between the pieces of the axis is left out.";
    if (timeline.InstallsOffAxis > 0)
        page += " " + std::to_string(timeline.InstallsOffAxis) +
                " driver installs fall outside the periods shown.";
    page += "</p>\n";
    // A close-up of the newest crash that has installs linked to it.
    const CrashLink* newest = nullptr;
    for (const CrashLink& crash : facts.Crashes)
        if (!crash.InstallsBefore.empty() && (newest == nullptr || newest->Time < crash.Time))
            newest = &crash;
    if (newest != nullptr)
        page += "<h3>The " + std::to_string(context.WindowDays) + " days before the crash of " +
                H(CrashTimeText(*newest)) + " (" + H(newest->Source) + ")</h3>\n" +
                RenderCrashCloseUp(facts, context, *newest).Svg;
}

void Findings(std::string& page, const Triage& facts) {
    page += "<h2>Findings</h2>\n";
    const auto findings = FindingsBySeverity(facts);
    if (findings.empty()) {
        page += "<p class=\"none\">No findings.</p>\n";
        return;
    }
    page += "<table>\n<tr><th>Severity</th><th>Finding</th><th>Evidence</th></tr>\n";
    for (const Finding* finding : findings) {
        const std::string level(SeverityName(finding->Level));
        page += "<tr><td class=\"sev " + level + "\">" + level + "</td>" + Cell(finding->Text) +
                EvidenceCell(finding->Evidence) + "</tr>\n";
    }
    page += "</table>\n";
}

void DeviceRows(std::string& page, const std::vector<const Device*>& devices) {
    page += "<table>\n<tr><th>Device</th><th>Instance</th><th>Problem</th><th>Code</th>"
            "<th>State</th><th>Reinstall</th><th>Rollback</th><th>Installed (UTC)</th>"
            "<th>Version</th><th>Provider</th></tr>\n";
    for (const Device* device : devices) {
        page += "<tr>" + Cell(device->Name) + Cell(device->Instance) + Cell(device->Problem) +
                Cell(device->Code) + Cell(device->State) + Cell(device->Reinstall ? "yes" : "") +
                Cell(device->Rollback ? "yes" : "") +
                Cell(device->Installed ? ShortTime(*device->Installed) : "") +
                Cell(device->Version) + Cell(device->Provider) + "</tr>\n";
    }
    page += "</table>\n";
}

void Devices(std::string& page, const Triage& facts) {
    const auto problems = DevicesWithProblems(facts);
    page += "<h2>Devices with problems (" + std::to_string(problems.size()) + " of " +
            std::to_string(facts.Devices.size()) + ")</h2>\n";
    if (problems.empty())
        page += "<p class=\"none\">No device reports a problem.</p>\n";
    else
        DeviceRows(page, problems);
    if (facts.Devices.empty())
        return;
    std::vector<const Device*> all;
    for (const Device& device : facts.Devices)
        all.push_back(&device);
    page += "<details><summary>All devices (" + std::to_string(all.size()) + ")</summary>\n";
    DeviceRows(page, all);
    page += "</details>\n";
}

void Crashes(std::string& page, const Triage& facts, const RenderContext& context) {
    page += "<h2>Crashes</h2>\n";
    if (facts.Crashes.empty()) {
        page += "<p class=\"none\">No crash time in this archive.</p>\n";
        return;
    }
    page += "<table>\n<tr><th>Time</th><th>Source</th><th>Bug check</th><th>Faulting "
            "driver</th><th>Drivers installed in the " +
            std::to_string(context.WindowDays) + " days before</th></tr>\n";
    for (const CrashLink& crash : facts.Crashes) {
        std::string installs;
        for (const Device* device : InstallsBefore(facts, crash)) {
            installs += (installs.empty() ? "" : "<br>") + H(device->Name);
            if (device->Installed)
                installs += " (" + H(ShortTime(*device->Installed)) + " UTC)";
            if (device->Rollback)
                installs += ", rollback available";
        }
        std::string fault = CrashFault(facts, crash);
        if (crash.Driver.Device)
            fault += " (" + facts.Devices[*crash.Driver.Device].Name + ")";
        page += "<tr>" + Cell(CrashTimeText(crash)) + Cell(crash.Source) +
                Cell(CrashBugCheck(facts, crash)) + Cell(fault) + "<td>" + installs +
                "</td></tr>\n";
    }
    page += "</table>\n";
}

void Installs(std::string& page, const Triage& facts) {
    const auto failed = FailedInstallSections(facts);
    page += "<h2>Failed driver installs (" + std::to_string(failed.size()) + " of " +
            std::to_string(facts.Installs.size()) + " sections)</h2>\n";
    if (failed.empty())
        return;
    page += "<table>\n<tr><th>Start</th><th>Device</th><th>Status</th><th>Evidence</th></tr>\n";
    for (const InstallSection* section : failed)
        page += "<tr>" + Cell(section->Start ? ShortTime(*section->Start) : "") +
                Cell(section->Device.empty() ? section->Title : section->Device) +
                Cell(section->Status) + EvidenceCell({section->Where}) + "</tr>\n";
    page += "</table>\n";
}

void Network(std::string& page, const Triage& facts) {
    page += "<h2>Network</h2>\n<p>Maker's host: ";
    if (!facts.MakerHostResolves)
        page += "not tested";
    else
        page += *facts.MakerHostResolves ? "resolves" : "does not resolve";
    page += ".</p>\n";
    const auto redirects = HostsRedirects(facts);
    if (redirects.empty()) {
        page += "<p class=\"none\">The hosts file sends no host elsewhere.</p>\n";
        return;
    }
    page += "<table>\n<tr><th>Host</th><th>Sent to</th><th>Evidence</th></tr>\n";
    for (const HostsEntry* entry : redirects)
        page += "<tr>" + Cell(entry->Host) + Cell(entry->Address) + EvidenceCell({entry->Where}) +
                "</tr>\n";
    page += "</table>\n";
}

void NameRow(std::string& page, std::string_view what, const std::vector<std::string>& names) {
    page += "<tr><th>" + std::string(what) + "</th><td>";
    for (size_t i = 0; i < names.size(); ++i)
        page += (i ? ", " : "") + H(names[i]);
    page += names.empty() ? "none</td></tr>\n" : "</td></tr>\n";
}

void ArchiveState(std::string& page, const Triage& facts, const RenderContext& context) {
    page += "<h2>Archive</h2>\n<table>\n";
    page += std::string("<tr><th>CRC check</th><td>") +
            (context.Verified ? "every member" : "the reports read only") + "</td></tr>\n";
    NameRow(page, "Damaged", facts.Damaged);
    NameRow(page, "Missing reports", facts.MissingReports);
    NameRow(page, "Too large to read", facts.OverCap);
    page += "</table>\n";
}

} // namespace

std::string RenderHtml(const Triage& facts, const RenderContext& context) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'\">\n<title>pvtriage: " +
                       H(context.ArchiveName) + "</title>\n<style>" + std::string(Style) +
                       "</style>\n</head>\n<body>\n";
    Summary(page, facts, context);
    TimelineSection(page, facts, context);
    Findings(page, facts);
    Devices(page, facts);
    Crashes(page, facts, context);
    Installs(page, facts);
    Network(page, facts);
    ArchiveState(page, facts, context);
    return page + "</body>\n</html>\n";
}

} // namespace pv::triage
