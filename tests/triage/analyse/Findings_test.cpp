// The findings rules through the core's entry point: archive members in, findings out.
#include "ReportBytes.h"
#include "triage/analyse/Triage.h"
#include <algorithm>
#include <gtest/gtest.h>

// Test tables name only the fields that matter to each case; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pv::triage {
namespace {

using test::DeviceFields;
using test::DeviceListReport;
using test::Utf16Report;
using test::WineMember;

std::vector<Member> WineMembers() {
    std::vector<Member> members =
        test::WineMembers({"Hosts", "PingHosts.txt", "MEMORYDMP.txt", "pvreg.txt", "SystemInfo.txt",
                           "DeviceList.txt", "FileList.txt", "FileList_beta.txt"});
    members.push_back({"AppData/Logs/Install/setupapi.dev.log", WineMember("setupapi.dev.log")});
    return members;
}

// "level id @member:line" of every finding, in the order Analyse gives them.
std::vector<std::string> Summary(const std::vector<Finding>& findings) {
    static const char* const kLevels[] = {"E", "W", "I"};
    std::vector<std::string> out;
    for (const Finding& f : findings) {
        std::string s = std::string(kLevels[static_cast<int>(f.Level)]) + " " + f.Id;
        for (const Evidence& e : f.Evidence) {
            s += " @" + e.Member + ":" + std::to_string(e.Line);
        }
        out.push_back(s);
    }
    return out;
}

const Finding* FindFinding(const Triage& t, const std::string& id) {
    for (const Finding& f : t.Findings) {
        if (f.Id == id) {
            return &f;
        }
    }
    return nullptr;
}

Member& Replace(std::vector<Member>& members, const std::string& name, std::string bytes) {
    for (Member& m : members) {
        if (m.Name == name) {
            m.Bytes = std::move(bytes);
            return m;
        }
    }
    members.push_back({name, std::move(bytes)});
    return members.back();
}

TEST(Findings, WineArchive) {
    const Triage t = ReadArchiveFacts(WineMembers(), Options{});
    EXPECT_EQ(Summary(t.Findings),
              (std::vector<std::string>{
                  "E device.problem @DeviceList.txt:222", "W device.reinstall @DeviceList.txt:222",
                  "W network.maker_unresolved @PingHosts.txt:1",
                  "I crash.recorded @MEMORYDMP.txt:7", "I crash.recorded @MEMORYDMP.txt:13",
                  "I crash.recorded @MEMORYDMP.txt:21", "I crash.recorded @SystemInfo.txt:15"}));
    EXPECT_EQ(t.Findings[0].Text,
              "Device \"Base System Device\" reports problem 28 (drivers not installed).");
    EXPECT_TRUE(t.MissingReports.empty());
    EXPECT_EQ(t.MakerHostResolves, false);
    // The BSOD time and the newest minidump's day are one crash, listed once.
    ASSERT_EQ(t.Crashes.size(), 4u);
    EXPECT_EQ(t.Crashes[0].Source, "BSOD Time");
    EXPECT_EQ(t.Crashes[3].Source, "MEMORY.DMP");
    EXPECT_EQ(t.Editions.size(), 2u);
}

TEST(Findings, DumpMemberIsMarkedNotDuplicated) {
    std::vector<Member> members = WineMembers();
    members.push_back({"040224-5012-01.dmp", "", false, false, 1712083510});
    members.push_back({"MiniDrvSetup.dmp", "MDMP", false, false, 1712083510});
    const Triage t = ReadArchiveFacts(members, Options{});
    ASSERT_EQ(t.Dumps.size(), 4u);
    EXPECT_TRUE(t.Dumps[0].Member);
    EXPECT_FALSE(t.Dumps[1].Member);
}

TEST(Findings, UnlistedDumpMemberIsACrashOfItsOwn) {
    std::vector<Member> members = {{"050124-1-01.dmp", "", false, false, 1714559400}};
    const Triage t = ReadArchiveFacts(members, Options{});
    ASSERT_EQ(t.Crashes.size(), 1u);
    EXPECT_EQ(t.Crashes[0].Time, (LocalTime{2024, 5, 1, 10, 30, 0}));
    EXPECT_FALSE(t.Crashes[0].DateOnly);
}

const std::string kCrashReport =
    Utf16Report({"Locale-Language  : en-US", "BSOD Time        : 4/2/2024 6:45:10 PM"});

std::vector<Member> CrashMembers(const std::vector<DeviceFields>& devices) {
    return {
        {"SystemInfo.txt", kCrashReport},
        {"DeviceList.txt", DeviceListReport(devices)},
        {"MEMORYDMP.txt", Utf16Report({"C:\\Windows\\Minidump\\031524-1-01.dmp", "64 KB",
                                       "CreateTime: 3/15/2024", "ModifyTime: 3/15/2024", "", ""})}};
}

TEST(Findings, DriversInstalledWithinTheWindowBeforeACrash) {
    const std::vector<DeviceFields> devices = {
        {.Key = "A", .Name = "Exactly seven days", .InstallValue = "45377.7813657407"},
        {.Key = "B", .Name = "One second too early", .InstallValue = "45377.7813541667"},
        {.Key = "C", .Name = "After the crash", .InstallValue = "45384.7813773148"},
        {.Key = "D", .Name = "Rollback ready", .InstallValue = "45381.5", .Rollback = true},
        // The dump listing knows only the crash's day: an install that evening is included.
        {.Key = "E", .Name = "Same day", .InstallValue = "45366.8333333333"},
        {.Key = "F", .Name = "No date", .InstallValue = "0"},
    };
    const Triage t = ReadArchiveFacts(CrashMembers(devices), Options{});
    std::vector<std::string> linked;
    for (const Finding& f : t.Findings) {
        if (f.Id.rfind("crash.recent_driver", 0) == 0) {
            linked.push_back(f.Id + " " + f.Evidence[0].Member + ":" +
                             std::to_string(f.Evidence[0].Line) + " " + f.Evidence[1].Member);
        }
    }
    EXPECT_EQ(linked, (std::vector<std::string>{
                          "crash.recent_driver_rollback DeviceList.txt:73 SystemInfo.txt",
                          "crash.recent_driver DeviceList.txt:1 SystemInfo.txt",
                          "crash.recent_driver DeviceList.txt:97 MEMORYDMP.txt"}));
    const Finding* rollback = FindFinding(t, "crash.recent_driver_rollback");
    ASSERT_TRUE(rollback);
    EXPECT_EQ(rollback->Level, Severity::Error);
    EXPECT_EQ(rollback->Text,
              "The driver of \"Rollback ready\" (version 1.0.0.0 by Acme) was installed on "
              "2024-03-30 12:00:00 UTC, 3 days before the crash at 2024-04-02 18:45:10 (BSOD "
              "Time); the previous driver can be rolled back to.");

    Options narrow;
    narrow.WindowDays = 1;
    const Triage n = ReadArchiveFacts(CrashMembers(devices), narrow);
    EXPECT_EQ(FindFinding(n, "crash.recent_driver_rollback"), nullptr);
    ASSERT_EQ(n.Crashes.size(), 2u);
    EXPECT_EQ(n.Crashes[1].InstallsBefore, std::vector<size_t>{4});
}

TEST(Findings, DeviceProblemsAndStates) {
    const std::vector<DeviceFields> devices = {
        {.Key = "1", .Name = "Failed", .Code = 28},
        {.Key = "2", .Name = "Disabled", .Problem = 22, .Code = 22},
        {.Key = "3", .Name = "Gone", .Plugged = false, .Code = 45},
        {.Key = "4", .Name = "Two codes", .Problem = 10, .Code = 43},
        {.Key = "5", .Name = "Install failed", .State = 2},
        {.Key = "6", .Name = "Needs reinstall", .State = 1, .Reinstall = true},
        {.Key = "7", .Name = "Healthy"},
    };
    const Triage t = ReadArchiveFacts({{"DeviceList.txt", DeviceListReport(devices)}}, Options{});
    std::vector<std::string> device;
    for (const Finding& f : t.Findings) {
        if (f.Id.rfind("device.", 0) == 0) {
            device.push_back(f.Id + " " + "EWI"[static_cast<int>(f.Level)] + " " + f.Text);
        }
    }
    EXPECT_EQ(device,
              (std::vector<std::string>{
                  "device.install_state E Device \"Install failed\" has install state 2 "
                  "(failed install).",
                  "device.problem E Device \"Failed\" reports problem 28 (drivers not installed).",
                  "device.problem E Device \"Two codes\" reports problem 10 (device cannot start) "
                  "and problem code 43 (device stopped after reporting problems).",
                  "device.install_state W Device \"Needs reinstall\" has install state 1 (needs "
                  "reinstall).",
                  "device.problem W Device \"Disabled\" reports problem 22 (disabled).",
                  "device.reinstall W Device \"Needs reinstall\" is marked for a driver reinstall.",
                  "device.problem I Device \"Gone\" reports problem 45 (not connected); it is not "
                  "present in the running system."}));
}

TEST(Findings, FailedInstallWithItsErrorLines) {
    std::string log = ">>>  [Device Install (Hardware initiated) - USB\\VID_1&PID_2\\3]\r\n"
                      ">>>  Section start 2024/03/29 10:02:11.123\r\n";
    for (int i = 0; i < 30; ++i) {
        log += "!!!  dvi: error " + std::to_string(i) + "\r\n";
    }
    log += "<<<  [Exit status: FAILURE(0xe0000219)]\r\n";
    const std::string member = "AppData/Logs/Install/setupapi.dev.log";
    const Triage t = ReadArchiveFacts({{member, log}}, Options{});
    const Finding* f = FindFinding(t, "install.failed");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Text,
              "Driver install \"Device Install (Hardware initiated) - USB\\VID_1&PID_2\\3\" "
              "of 2024-03-29 10:02:11 ended with FAILURE(0xe0000219): dvi: error 0.");
    ASSERT_EQ(f->Evidence.size(), 21u);
    EXPECT_EQ(f->Evidence[0], (Evidence{member, 1}));
    EXPECT_EQ(f->Evidence[1], (Evidence{member, 3}));
    EXPECT_EQ(f->Evidence[20], (Evidence{member, 22}));
}

TEST(Findings, FailedInstallErrorEndingInAPeriodIsNotDoubled) {
    const std::string log = ">>>  [Device Install - PCI\\VEN_1]\r\n"
                            ">>>  Section start 2024/03/29 10:02:11.123\r\n"
                            "!!!  dvi: Device not started (CM_PROB_FAILED_INSTALL).\r\n"
                            "<<<  [Exit status: FAILURE(0xe0000219)]\r\n";
    const Triage t = ReadArchiveFacts({{"AppData/Logs/Install/setupapi.dev.log", log}}, Options{});
    const Finding* f = FindFinding(t, "install.failed");
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Text.ends_with("(CM_PROB_FAILED_INSTALL).")) << f->Text;
    EXPECT_FALSE(f->Text.ends_with("..")) << f->Text;
}

TEST(Findings, HostsAndPing) {
    std::vector<Member> members = WineMembers();
    Replace(members, "Hosts",
            "127.0.0.1 localhost\r\n127.0.0.1 www.orvix.com\r\n10.0.0.1 notorvix.com "
            "cdn.ORVIX.com\r\n");
    // An administrator aimed the ping elsewhere: nothing is known about the maker's host.
    Replace(members, "PingHosts.txt",
            Utf16Report({"Pinging localhost [127.0.0.1] with 32 bytes of data:"}));
    const Triage t = ReadArchiveFacts(members, Options{});
    std::vector<std::string> hosts;
    for (const Finding& f : t.Findings) {
        if (f.Id == "hosts.maker_redirect") {
            hosts.push_back(f.Text);
        }
    }
    EXPECT_EQ(hosts, (std::vector<std::string>{
                         "The hosts file sends the maker's host www.orvix.com to 127.0.0.1.",
                         "The hosts file sends the maker's host cdn.ORVIX.com to 10.0.0.1."}));
    EXPECT_FALSE(t.MakerHostResolves);
    EXPECT_EQ(FindFinding(t, "network.maker_unresolved"), nullptr);

    Replace(members, "PingHosts.txt",
            Utf16Report({"Pinging www.orvix.com [203.0.113.7] with 32 bytes of data:"}));
    EXPECT_EQ(ReadArchiveFacts(members, Options{}).MakerHostResolves, true);
}

TEST(Findings, VolumeSpace) {
    const std::string report = Utf16Report({
        "===== Volumes =====",
        "",
        "[C:] , 1, NTFS, (1,99 GB / 500,00 GB)",
        "[D:] , 2, NTFS, (4,90 GB / 100,00 GB)",
        "[E:] , 3, NTFS, (5,00 GB / 100,00 GB)",
        "[F:] , 4, NTFS, (0 B / 0 B)",
        "",
        "===== Processes =====",
        "",
        "x.exe [1] C:\\Windows\\x.exe",
    });
    const Triage t = ReadArchiveFacts({{"SystemInfo.txt", report}}, Options{});
    std::vector<std::string> volumes;
    for (const Finding& f : t.Findings) {
        if (f.Id.rfind("volume.", 0) == 0) {
            volumes.push_back(f.Id + " " + f.Text);
        }
    }
    EXPECT_EQ(volumes, (std::vector<std::string>{
                           "volume.system_low_space The system volume C: has only 2.0 GB free of "
                           "500.0 GB.",
                           "volume.low_space The volume D: has less than 5% free space (4.9 GB "
                           "free of 100.0 GB)."}));
}

TEST(Findings, ArchiveStateAndOrder) {
    std::vector<Member> members = {{"SystemInfo.txt", "", false, true},
                                   {"DeviceList.txt", "", true, false},
                                   {"AppData/Prefs.ini", "", false, true}};
    const Triage t = ReadArchiveFacts(members, Options{});
    EXPECT_EQ(t.Damaged, (std::vector<std::string>{"SystemInfo.txt", "AppData/Prefs.ini"}));
    EXPECT_EQ(t.OverCap, std::vector<std::string>{"DeviceList.txt"});
    // Hosts and the memory-dump listing may be absent on a healthy machine; these may not.
    EXPECT_EQ(t.MissingReports,
              (std::vector<std::string>{"PingHosts.txt", "pvreg.txt", "FileList.txt"}));
    std::vector<std::string> ids;
    for (const Finding& f : t.Findings) {
        ids.push_back(f.Id + "@" + f.Evidence[0].Member);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{
                       "archive.damaged@AppData/Prefs.ini", "archive.damaged@SystemInfo.txt",
                       "archive.overcap@DeviceList.txt", "report.missing@FileList.txt",
                       "report.missing@PingHosts.txt", "report.missing@pvreg.txt",
                       "read.encoding@SystemInfo.txt"}));
}

TEST(Findings, MembersWithBackslashesOrOtherCaseAreFound) {
    const Triage t = ReadArchiveFacts(
        {{"AppData\\Logs\\Install\\SETUPAPI.DEV.LOG",
          ">>>  Section start 2024/03/29 10:02:11.123\r\n<<<  [Exit status: FAILURE(0x1)]\r\n"}},
        Options{});
    EXPECT_NE(FindFinding(t, "install.failed"), nullptr);
}

TEST(Findings, ProductLogDays) {
    const Triage t = ReadArchiveFacts({{"AppData/Logs/Main/20261210_auto.log", ""},
                                       {"AppData/Logs/Main/20261209.log", ""},
                                       {"AppData/Logs/Main/20261210.log", ""},
                                       {"AppData/Logs/Main/2026121.log", ""},
                                       {"AppData/Logs/Main/20261332.log", ""}},
                                      Options{});
    EXPECT_EQ(t.ProductLogDays,
              (std::vector<LocalTime>{{2026, 12, 9, 0, 0, 0}, {2026, 12, 10, 0, 0, 0}}));
}

} // namespace
} // namespace pv::triage
