#include "ReportBytes.h"
#include "triage/analyse/Diff.h"
#include "triage/analyse/Triage.h"
#include <gtest/gtest.h>

// Test tables name only the fields that matter to each case; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pv::triage {
namespace {

using test::DeviceFields;
using test::DeviceListReport;
using test::Utf16Report;

Triage Archive(const std::vector<DeviceFields>& devices, const std::string& bsod = "N/A") {
    return ReadArchiveFacts({{"SystemInfo.txt", Utf16Report({"Locale-Language  : en-US",
                                                             "BSOD Time        : " + bsod})},
                             {"DeviceList.txt", DeviceListReport(devices)}},
                            Options{});
}

std::vector<std::string> Lines(const ArchiveDiff& diff) {
    std::vector<std::string> lines;
    for (const Change& c : diff.Changes) {
        lines.push_back(c.Id + ": " + c.Text);
    }
    return lines;
}

TEST(Diff, DevicesDriversProblemsAndCrashes) {
    const Triage older = Archive(
        {
            {.Key = "K1", .Name = "Audio", .Version = "1.0"},
            {.Key = "K2", .Name = "Camera", .Code = 28},
            {.Key = "K3", .Name = "Reader"},
            {.Key = "K4", .Name = "Mouse"},
            {.Name = "Keyless", .Instance = "ROOT\\X\\0000"},
        },
        "3/1/2024 9:30:00 AM");
    const Triage newer = Archive(
        {
            {.Key = "K1", .Name = "Audio", .Version = "2.0"},
            {.Key = "K2", .Name = "Camera"},
            {.Key = "K3", .Name = "Reader", .Problem = 10},
            {.Key = "K5", .Name = "Tablet"},
            // The key wins over the instance; the instance serves when there is no key.
            {.Name = "Keyless", .Instance = "root\\x\\0000", .Code = 43},
        },
        "4/2/2024 6:45:10 PM");
    EXPECT_EQ(Lines(Diff(older, newer)),
              (std::vector<std::string>{
                  "diff.device_added: Device \"Tablet\" appeared, with driver 1.0.0.0 "
                  "(2021-01-12).",
                  "diff.device_removed: Device \"Mouse\" is gone.",
                  "diff.driver_changed: The driver of \"Audio\" changed from 1.0 (2021-01-12) "
                  "to 2.0 (2021-01-12).",
                  "diff.problem_appeared: Device \"Keyless\" now reports problem 43.",
                  "diff.problem_appeared: Device \"Reader\" now reports problem 10.",
                  "diff.problem_cleared: Device \"Camera\" no longer reports problem 28.",
                  "diff.crash_added: A new crash was recorded at 2024-04-02 18:45:10 (BSOD "
                  "Time).",
              }));
}

TEST(Diff, EvidenceFromBothArchives) {
    const Triage older = Archive({{.Key = "A"}, {.Key = "K", .Name = "Disk", .Version = "1"}});
    const Triage newer = Archive({{.Key = "K", .Name = "Disk", .Version = "2"}});
    const ArchiveDiff diff = Diff(older, newer);
    ASSERT_EQ(diff.Changes.size(), 2u);
    const Change& changed = diff.Changes[1];
    EXPECT_EQ(changed.Kind, ChangeKind::DriverChanged);
    EXPECT_EQ(changed.Device, "K");
    EXPECT_EQ(changed.OldWhere, (Evidence{"DeviceList.txt", 25}));
    EXPECT_EQ(changed.NewWhere, (Evidence{"DeviceList.txt", 1}));
    EXPECT_EQ(diff.Changes[0].NewWhere, Evidence{});
}

TEST(Diff, SameArchiveHasNoChanges) {
    const Triage t = ReadArchiveFacts(
        test::WineMembers({"SystemInfo.txt", "DeviceList.txt", "MEMORYDMP.txt"}), Options{});
    EXPECT_TRUE(Diff(t, t).Changes.empty());
}

TEST(Diff, CrashKnownOnlyByItsDayIsNotNew) {
    Triage older;
    older.Crashes.push_back({{2024, 4, 2, 0, 0, 0}, "040224-1-01.dmp", true, {}, {}});
    Triage newer;
    newer.Crashes.push_back({{2024, 4, 2, 18, 45, 10}, "BSOD Time", false, {}, {}});
    newer.Crashes.push_back({{2024, 4, 3, 0, 0, 0}, "040324-1-01.dmp", true, {}, {}});
    const ArchiveDiff diff = Diff(older, newer);
    ASSERT_EQ(diff.Changes.size(), 1u);
    EXPECT_EQ(diff.Changes[0].Name, "040324-1-01.dmp");
    EXPECT_EQ(diff.Changes[0].After, "2024-04-03");
}

} // namespace
} // namespace pv::triage
