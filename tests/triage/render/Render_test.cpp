#include "triage/render/JsonWriter.h"
#include "triage/model/TextEscape.h"
#include "triage/render/RenderHtml.h"
#include "triage/render/RenderJson.h"
#include "triage/render/RenderText.h"
#include "triage/render/RenderTimeline.h"

#include "RenderSample.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pv::triage {
namespace {

using test::At;
using test::HostileName;
using test::JsonChecker;
using test::SampleFacts;

RenderContext Context() {
    return {"pv_info_20240131_i.zip", false, 7};
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

TEST(JsonWriter, NestsWithCommasAndIndentation) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a").Int(1);
    json.Key("empty").BeginArray().EndArray();
    json.Key("list").BeginArray().String("x").Null().BeginObject().EndObject().EndArray();
    json.Key("maybe").Int(std::optional<long long>());
    json.EndObject();
    EXPECT_EQ(json.Finish(), "{\n  \"a\": 1,\n  \"empty\": [],\n  \"list\": [\n    \"x\",\n"
                             "    null,\n    {}\n  ],\n  \"maybe\": null\n}\n");
}

TEST(RenderJson, IsValidJsonWithTheDocumentedFields) {
    const std::string json = RenderJson(SampleFacts(), Context());
    EXPECT_TRUE(JsonChecker(json).Valid()) << json;
    EXPECT_TRUE(json.starts_with("{\n  \"schema\": 2,"));
    for (const char* field :
         {"\"members\": 108", "\"damaged\": [\n      \"AppData/Logs/Main/20240130.log\"",
          "\"missing_reports\": []", "\"count\": 3", "\"code\": 28", "\"problem\": 28",
          "\"installs_before\": [", "\"installed\": \"2024-01-22T09:30:00Z\"",
          "\"time\": \"2024-01-23T10:11:00\"", "\"sections\": 2",
          "\"status\": \"FAILURE(0xe0000219)\"", "\"start\": \"2024-01-25T14:00:00\"",
          "\"host\": \"www.orvix.com\"", "\"maker_host_resolves\": false",
          "\"severity\": \"error\"", "\"id\": \"device.problem\""})
        EXPECT_TRUE(Contains(json, field)) << field;
    // Only the device with a problem is listed among them.
    EXPECT_FALSE(Contains(json, "Fine Device"));
}

TEST(RenderFacts, HostsRedirectsLeaveOutOnlyTheLoopbackNames) {
    Triage facts;
    facts.Hosts = {{"localhost", "127.0.0.1", {}},     {"LOCALHOST", "::1", {}},
                   {"localhost", "10.0.0.5", {}},      {"ads.example.com", "0.0.0.0", {}},
                   {"www.orvix.com", "127.0.0.1", {}}, {"ip6-localhost", "::1", {}}};
    std::vector<std::string> kept;
    for (const HostsEntry* entry : HostsRedirects(facts))
        kept.push_back(entry->Host + " " + entry->Address);
    EXPECT_EQ(kept, (std::vector<std::string>{"localhost 10.0.0.5", "ads.example.com 0.0.0.0",
                                              "www.orvix.com 127.0.0.1"}));
}

TEST(RenderJson, FindingsComeErrorsFirstKeepingTheCoresOrderWithin) {
    const std::string json = RenderJson(SampleFacts(), Context());
    const size_t problem = json.find("\"id\": \"device.problem\"");
    const size_t rollback = json.find("\"id\": \"crash.recent_driver_rollback\"");
    const size_t redirect = json.find("\"id\": \"hosts.maker_redirect\"");
    const size_t recorded = json.find("\"id\": \"crash.recorded\"");
    EXPECT_LT(problem, rollback);
    EXPECT_LT(rollback, redirect);
    EXPECT_LT(redirect, recorded);
}

TEST(RenderJson, HostileTextStaysInsideItsString) {
    Triage facts = SampleFacts();
    facts.Devices[0].Instance = std::string("a\"b\\c\n\x01\xC3", 8);
    const std::string json = RenderJson(facts, Context());
    EXPECT_TRUE(JsonChecker(json).Valid());
    EXPECT_TRUE(Contains(json, "\"instance\": \"a\\\"b\\\\c\\n\\u0001\xEF\xBF\xBD\""));
    EXPECT_FALSE(Contains(json, "\x1B"));
}

TEST(RenderJson, CrashKnownByItsDayAloneIsWrittenAsADay) {
    Triage facts = SampleFacts();
    facts.Crashes[0].DateOnly = true;
    EXPECT_TRUE(Contains(RenderJson(facts, Context()), "\"time\": \"2024-01-23\",\n      "
                                                       "\"date_only\": true"));
}

TEST(RenderDiff, ListsEachChangeInTextAndJson) {
    ArchiveDiff diff;
    diff.Changes = {
        {ChangeKind::DriverChanged,
         "diff.driver_changed",
         "KEY1",
         "Realtek Audio",
         "6.0.8",
         "6.0.9",
         "Realtek Audio's driver changed.",
         {"DeviceList.txt", 1},
         {"DeviceList.txt", 1}},
        {ChangeKind::ProblemCleared,
         "diff.problem_cleared",
         "KEY2",
         HostileName,
         "code 28",
         "",
         "A device's problem cleared.",
         {"DeviceList.txt", 40},
         {}},
    };
    const RenderContext older{"old.zip", false, 7};
    const RenderContext newer{"new.zip", false, 7};
    const std::string text = RenderDiffText(diff, older, newer);
    EXPECT_TRUE(Contains(text, "old.zip -> new.zip: 2 changes"));
    EXPECT_TRUE(Contains(text, "  ~ Realtek Audio's driver changed. (6.0.8 -> 6.0.9)"));
    EXPECT_TRUE(Contains(text, "  - A device's problem cleared."));
    const std::string json = RenderDiffJson(diff, SampleFacts(), older, SampleFacts(), newer);
    EXPECT_TRUE(JsonChecker(json).Valid()) << json;
    EXPECT_TRUE(Contains(json, "\"kind\": \"driver_changed\""));
    EXPECT_TRUE(Contains(json, "\"kind\": \"problem_cleared\""));
    EXPECT_TRUE(Contains(json, "\"before\": \"6.0.8\""));
}

TEST(RenderText, FindingsFirstBySeverityWithEvidence) {
    const std::string text = RenderText(SampleFacts(), Context());
    const size_t findings = text.find("Findings: 2 errors, 1 warning, 1 note");
    ASSERT_NE(findings, std::string::npos) << text;
    EXPECT_LT(findings, text.find("Devices with problems"));
    const size_t error = text.find("  error   Device");
    const size_t warning = text.find("  warning Hosts");
    const size_t info = text.find("  info    A crash was recorded.");
    EXPECT_LT(findings, error);
    EXPECT_LT(error, warning);
    EXPECT_LT(warning, info);
    EXPECT_TRUE(Contains(text, "before the crash. [DeviceList.txt:1 +1]"));
    EXPECT_TRUE(Contains(text, "Realtek Audio, installed 2024-01-22 09:30 UTC, previous driver "
                               "can be rolled back"));
    EXPECT_TRUE(Contains(text, "FAILURE(0xe0000219)"));
    EXPECT_TRUE(Contains(text, "www.orvix.com -> 10.0.0.9"));
    EXPECT_TRUE(Contains(text, "damaged: AppData/Logs/Main/20240130.log"));
}

TEST(RenderText, NoArchiveTextReachesTheTerminalRaw) {
    const std::string text = RenderText(SampleFacts(), Context());
    for (char c : text)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
    EXPECT_EQ(ValidUtf8(text), text);
}

TEST(RenderText, StaysOnOneScreenHoweverMuchTheArchiveHolds) {
    Triage facts = SampleFacts();
    for (int i = 0; i < 200; ++i) {
        facts.Findings.push_back({Severity::Warning, "device.reinstall", "Reinstall.", {}});
        facts.Devices.push_back(facts.Devices[0]);
        facts.Crashes.push_back(facts.Crashes[0]);
        facts.Installs.push_back(facts.Installs[1]);
        facts.Hosts.push_back(facts.Hosts[0]);
        facts.Damaged.push_back("x.log");
    }
    for (int i = 0; i < 20; ++i)
        facts.Crashes[0].InstallsBefore.push_back(1);
    const std::string text = RenderText(facts, Context());
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 48) << text;
    EXPECT_TRUE(Contains(text, "  ... 175 more findings: device.reinstall (174), crash.recorded "
                               "(1) (--json lists all)\n"));
    // The errors are all shown before any warning is cut.
    EXPECT_TRUE(Contains(text, "has code 28."));
}

TEST(RenderText, EveryFindingIsListedUpToThirty) {
    Triage facts = SampleFacts();
    while (facts.Findings.size() < 30)
        facts.Findings.push_back({Severity::Info,
                                  "read.date",
                                  "Date " + std::to_string(facts.Findings.size()) + " unread.",
                                  {}});
    const std::string text = RenderText(facts, Context());
    for (const Finding& finding : facts.Findings)
        EXPECT_TRUE(Contains(text, PrintableText(finding.Text))) << finding.Text;
    EXPECT_FALSE(Contains(text, "more findings"));
    // The sections after them keep their headlines only.
    EXPECT_TRUE(Contains(text, "\nDevices with problems (1 of 3)\n\nCrashes: 1\n"));
}

TEST(RenderHtml, SelfContainedAndEscaped) {
    const std::string page = RenderHtml(SampleFacts(), Context());
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
    EXPECT_TRUE(Contains(page, "Content-Security-Policy\" content=\"default-src 'none'"));
    EXPECT_FALSE(Contains(page, "<script"));
    EXPECT_TRUE(Contains(page, "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"));
    EXPECT_FALSE(Contains(page, "\x1B"));
    EXPECT_EQ(ValidUtf8(page), page);
    // No reference leaves the page; the SVG namespace is a name, not a request.
    std::string rest = page;
    const std::string svgNamespace = "xmlns=\"http://www.w3.org/2000/svg\"";
    for (size_t at; (at = rest.find(svgNamespace)) != std::string::npos;)
        rest.erase(at, svgNamespace.size());
    EXPECT_FALSE(Contains(rest, "http:"));
    EXPECT_FALSE(Contains(rest, "https:"));
    EXPECT_FALSE(Contains(rest, "src="));
    EXPECT_FALSE(Contains(rest, "url("));
    for (const char* section : {"<h2>Timeline</h2>", "<h2>Findings</h2>", "Devices with problems",
                                "<h2>Crashes</h2>", "Failed driver installs", "<h2>Network</h2>"})
        EXPECT_TRUE(Contains(page, section)) << section;
}

TEST(RenderTimeline, DrawsTheCrashItsWindowAndTheInstallBeforeIt) {
    const Timeline timeline = RenderTimeline(SampleFacts(), Context());
    EXPECT_EQ(timeline.Segments, 1u);
    const std::string& svg = timeline.Svg;
    EXPECT_TRUE(Contains(svg, std::string("fill=\"") + std::string(TimelineCrashColour) + "\""));
    EXPECT_TRUE(Contains(svg, "<title>Crash (BSOD Time), 2024-01-23 10:11</title>"));
    EXPECT_TRUE(Contains(svg, "<title>Realtek Audio, installed 2024-01-22 09:30 UTC (rollback "
                              "available)</title>"));
    EXPECT_TRUE(Contains(svg, "class=\"window\""));
    EXPECT_TRUE(Contains(svg, std::string(TimelineFailedColour)));
    EXPECT_TRUE(Contains(svg, std::string(TimelineLogColour)));
    // The install of May 2023 is far from every period shown.
    EXPECT_EQ(timeline.InstallsOffAxis, 1u);
}

// The x position of the marker whose tooltip starts with `title`.
double MarkerX(const std::string& svg, std::string_view title) {
    const size_t at = svg.find("<title>" + std::string(title));
    const size_t start = svg.rfind('<', svg.rfind("fill=", at));
    const std::string_view element = std::string_view(svg).substr(start, at - start);
    const size_t x = element.find(element.starts_with("<path") ? "d=\"M" : "x=\"");
    return std::stod(std::string(element.substr(x + (element.starts_with("<path") ? 4 : 3))));
}

TEST(RenderTimeline, EventsAreInTimeOrderAlongTheAxis) {
    const std::string svg = RenderTimeline(SampleFacts(), Context()).Svg;
    const double install = MarkerX(svg, "Realtek Audio");
    const double crash = MarkerX(svg, "Crash");
    const double failed = MarkerX(svg, "USB");
    const double lastLog = MarkerX(svg, "Product log of 2024-01-31");
    EXPECT_LT(install, crash);
    EXPECT_LT(crash, failed);
    EXPECT_LT(failed, lastLog);
    EXPECT_LT(lastLog, 1000.0);
}

TEST(RenderTimeline, DistantPeriodsGetPiecesOfTheirOwnAndStrayDatesAreDropped) {
    Triage facts = SampleFacts();
    // Crashes months apart: each keeps a piece of the axis, at most four in all.
    for (int month = 2; month <= 11; month += 3) {
        CrashLink crash = facts.Crashes[0];
        crash.Time = At(2023, month, 10);
        crash.InstallsBefore.clear();
        facts.Crashes.push_back(crash);
    }
    // A date far past the report's own time comes from a broken clock or a forged report.
    facts.Devices[2].Installed = At(9999, 12, 31);
    const Timeline timeline = RenderTimeline(facts, Context());
    EXPECT_EQ(timeline.Segments, 4u);
    EXPECT_FALSE(Contains(timeline.Svg, "9999"));
}

TEST(RenderTimeline, CloseUpCoversTheWindowBeforeTheCrashAlone) {
    Triage facts = SampleFacts();
    facts.Crashes[0].DateOnly = true;
    const Timeline closeUp = RenderCrashCloseUp(facts, Context(), facts.Crashes[0]);
    EXPECT_EQ(closeUp.Segments, 1u);
    EXPECT_EQ(closeUp.InstallsOffAxis, 1u); // May 2023
    const double install = MarkerX(closeUp.Svg, "Realtek Audio");
    const double crash = MarkerX(closeUp.Svg, "Crash");
    EXPECT_LT(install, crash);
    // A day is wide here: the install of the day before sits far from the crash's marker.
    EXPECT_GT(crash - install, 40.0);
    // Nothing after the day following the crash: the logs of the 29th to 31st are left out.
    EXPECT_FALSE(Contains(closeUp.Svg, "Product log of"));
    EXPECT_TRUE(Contains(closeUp.Svg, "2024-01-23 (day only)"));
}

TEST(RenderTimeline, AnArchiveWithoutDatesSaysSo) {
    const Timeline timeline = RenderTimeline(Triage{}, Context());
    EXPECT_EQ(timeline.Segments, 0u);
    EXPECT_TRUE(Contains(timeline.Svg, "No dated events"));
}

} // namespace
} // namespace pv::triage

namespace pv::triage {
namespace {

// The sample's crash joined to a decoded dump whose file time lies 30 s off the crash.
Triage FactsWithDump() {
    Triage facts = SampleFacts();
    DumpFile file;
    file.Member = "012324-1-01.dmp";
    file.Read = true;
    file.Decoded.Kind = DumpKind::KernelTriage;
    file.Decoded.HasBugCheck = true;
    file.Decoded.BugCheckCode = 0x1000007E;
    file.Decoded.Faulting = FaultingModule{"nvlddmkm.sys", "\\nvlddmkm.sys", 0x334C, "x"};
    facts.DumpFiles = {file};
    Dump dump;
    dump.Name = file.Member;
    dump.Time = LocalTime{2024, 1, 23, 10, 11, 30};
    dump.Member = true;
    dump.File = 0;
    facts.Dumps = {dump};
    facts.Crashes[0].DumpFile = 0;
    return facts;
}

// Guards the crash views of a decoded dump: the bug check and driver in the text and HTML
// tables, one mark for the crash and its dump, the name beside the close-up's mark only.
TEST(RenderDump, CrashTablesAndTimelineMark) {
    const Triage facts = FactsWithDump();
    const std::string text = RenderText(facts, Context());
    EXPECT_TRUE(Contains(text, "    bug check 0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M\n"
                               "    faulting driver nvlddmkm.sys +0x334C\n"))
        << text;
    const std::string page = RenderHtml(facts, Context());
    EXPECT_TRUE(Contains(page, "<td>0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M</td>"
                               "<td>nvlddmkm.sys +0x334C</td>"));
    const Timeline overview = RenderTimeline(facts, Context());
    const Timeline plain = RenderTimeline(SampleFacts(), Context());
    EXPECT_EQ(std::count(overview.Svg.begin(), overview.Svg.end(), '\n'),
              std::count(plain.Svg.begin(), plain.Svg.end(), '\n'))
        << "the dump of the crash is not a second mark";
    EXPECT_FALSE(Contains(overview.Svg, "class=\"crashname\""));
    const Timeline closeUp = RenderCrashCloseUp(facts, Context(), facts.Crashes[0]);
    EXPECT_TRUE(Contains(closeUp.Svg, "class=\"crashname\">SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M "
                                      "in nvlddmkm.sys</text>"));
}

} // namespace
} // namespace pv::triage
