// Hostile shapes: a few megabytes that would otherwise become millions of records.
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/analyse/Triage.h"
#include "ReportBytes.h"
#include "triage/parse/ReportText.h"
#include <gtest/gtest.h>

// Test tables name only the fields that matter to each case; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pv::triage {
namespace {

bool HasNote(const std::vector<ReadNote>& notes, const std::string& id) {
    for (const ReadNote& n : notes) {
        if (n.Id == id) {
            return true;
        }
    }
    return false;
}

std::string Repeat(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(Limits, ManyEmptyLinesStopAtTheLineLimit) {
    const std::string bytes = "\xFF\xFE" + Repeat(std::string("\n\0", 2), kMaxLinesPerMember + 10);
    const DecodedText text = DecodeReportText(bytes);
    EXPECT_EQ(text.LineCount(), kMaxLinesPerMember);
    EXPECT_TRUE(text.LineLimitHit);
    std::vector<ReadNote> notes;
    NoteDecoding(text, "SystemInfo.txt", true, notes);
    EXPECT_TRUE(HasNote(notes, "read.limit"));
}

TEST(Limits, ExactlyTheLineLimitIsNoCut) {
    const DecodedText text = DecodeReportText(Repeat("\n", kMaxLinesPerMember));
    EXPECT_EQ(text.LineCount(), kMaxLinesPerMember);
    EXPECT_FALSE(text.LineLimitHit);
}

TEST(Limits, DeviceListStopsAtTheDeviceLimit) {
    std::vector<ReadNote> notes;
    const std::vector<Device> devices =
        ParseDeviceList(Repeat("[Device]\n", kMaxDevices + 1), "DeviceList.txt", notes);
    EXPECT_EQ(devices.size(), kMaxDevices);
    EXPECT_TRUE(HasNote(notes, "read.limit"));
}

TEST(Limits, HostsPastTheLimitStillShowTheMakersEntries) {
    std::vector<ReadNote> notes;
    const std::vector<HostsEntry> entries = ParseHostsFile(
        Repeat("0.0.0.0 ads.example\n", kMaxHostsEntries + 5) + "127.0.0.1 www.orvix.com\n",
        "Hosts", {"www.orvix.com"}, notes);
    ASSERT_EQ(entries.size(), kMaxHostsEntries + 1);
    EXPECT_EQ(entries.back().Host, "www.orvix.com");
    EXPECT_EQ(entries.back().Where.Line, static_cast<int>(kMaxHostsEntries) + 6);
    EXPECT_TRUE(HasNote(notes, "read.limit"));
}

TEST(Limits, InstallLogKeepsTheFirstErrorsOfASection) {
    std::vector<ReadNote> notes;
    const std::vector<InstallSection> sections = ParseSetupApiLog(
        ">>>  Section start 2024/03/29 10:02:11.123\n" +
            Repeat("!!!  e\n", kMaxErrorsPerSection + 3) + "<<<  [Exit status: FAILURE(0x1)]\n",
        "setupapi.dev.log", notes);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].Errors.size(), kMaxErrorsPerSection);
    EXPECT_TRUE(sections[0].Failed);
    EXPECT_EQ(notes.size(), 1u);
}

// Regression: a huge --window over many dumps and devices once linked every device to every
// crash and searched those links once per device. The links kept bound the findings' work; the
// speed figure belongs to bench/triage.
TEST(Limits, HugeWindowOverManyDumpsAndDevices) {
    std::vector<std::string> dumpLines;
    for (int day = 1; day <= 300; ++day) {
        const std::string date = std::to_string((day - 1) / 28 % 12 + 1) + "/" +
                                 std::to_string((day - 1) % 28 + 1) + "/" +
                                 std::to_string(2024 + (day - 1) / 336);
        dumpLines.insert(dumpLines.end(), {"C:\\Minidump\\" + std::to_string(day) + ".dmp", "64 KB",
                                           "CreateTime: " + date, "ModifyTime: " + date, "", ""});
    }
    std::vector<test::DeviceFields> devices(20000);
    for (size_t i = 0; i < devices.size(); ++i) {
        devices[i].Key = std::to_string(i);
        devices[i].InstallValue = "45000.5"; // 15 March 2023, before every crash
    }
    Options options;
    options.WindowDays = 1'000'000;
    const Triage t =
        ReadArchiveFacts({{"SystemInfo.txt", test::Utf16Report({"Locale-Language  : en-US"})},
                          {"MEMORYDMP.txt", test::Utf16Report(dumpLines)},
                          {"DeviceList.txt", test::DeviceListReport(devices)}},
                         options);
    EXPECT_EQ(t.Dumps.size(), kMaxDumps);
    size_t links = 0;
    for (const CrashLink& c : t.Crashes) {
        EXPECT_EQ(c.InstallsBefore.size(), kMaxInstallsPerCrash);
        links += c.InstallsBefore.size();
    }
    EXPECT_LE(links, t.Crashes.size() * kMaxInstallsPerCrash);
    // One finding per device at most, whatever the number of crashes it precedes.
    size_t deviceFindings = 0;
    for (const Finding& f : t.Findings)
        deviceFindings += f.Id.rfind("crash.recent_driver", 0) == 0 ? 1 : 0;
    EXPECT_LE(deviceFindings, devices.size());
}

} // namespace
} // namespace pv::triage
