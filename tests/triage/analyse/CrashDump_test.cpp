#include "ReportBytes.h"
#include "SynthDump.h"
#include "triage/analyse/Triage.h"
#include "triage/parse/Parsers.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

using namespace test;

constexpr const char* kDump = "040224-5012-01.dmp";
constexpr const char* kInstance = "PCI\\VEN_10DE&DEV_1C03\\4&1A2B3C4D&0&0008";
// 2025-12-10 10:07:14 UTC, the synthesised dump's own time.
constexpr int64_t kDumpTime = 1'765'361'234;

std::string SystemInfo(const std::string& zone, const std::string& bsod, bool service,
                       const std::string& display = "nvlddmkm",
                       const std::vector<std::string>& restore = {}) {
    std::vector<std::string> lines = {"===== System =====",
                                      "",
                                      "Locale-Language  : en-US",
                                      "Time Zone        : " + zone,
                                      "BSOD Time        : " + bsod,
                                      "",
                                      "===== Drivers =====",
                                      "",
                                      "[NDIS] NDIS"};
    if (service) {
        lines.push_back("[nvlddmkm] " + display);
    }
    lines.insert(lines.end(), {"", "===== System Restore =====", ""});
    lines.insert(lines.end(), restore.begin(), restore.end());
    return Utf16Report(lines);
}

// A setupapi.dev.log whose one section installs `instance` and copies `file`.
std::string SetupApiLog(const std::string& instance, const std::string& file) {
    return ">>>  [Device Install (Hardware initiated) - " + instance +
           "]\r\n>>>  Section start 2025/12/09 08:00:00.000\r\n"
           "     flq: Copying 'C:\\Windows\\System32\\DriverStore\\FileRepository\\" +
           file + "' to 'C:\\Windows\\System32\\drivers\\" + file +
           "'.\r\n<<<  Section end 2025/12/09 08:00:09.000\r\n<<<  [Exit status: SUCCESS]\r\n";
}

struct Archive {
    std::string Zone = "W. Europe Standard Time (UTC01:00)";
    std::string Bsod = "12/10/2025 11:07:14 AM"; // the dump's time in UTC+1
    bool Service = true;
    std::string LogFile = "nvlddmkm.sys";
    std::string Display = "nvlddmkm";
    std::vector<std::string> Restore;
    std::string Dump = BuildDump(DisplayDriverCrash()).Bytes;

    std::vector<Member> Members() const {
        // Installed 2025-12-09 08:00 UTC (OLE 46000.3333333333), a day before the crash.
        const DeviceFields gpu{.Key = "G",
                               .Name = "NVIDIA GeForce GTX 1060",
                               .InstallValue = "46000.3333333333",
                               .Instance = kInstance,
                               .Rollback = true};
        const auto member = [](std::string name, std::string bytes) {
            Member m;
            m.Name = std::move(name);
            m.Bytes = std::move(bytes);
            return m;
        };
        return {member("SystemInfo.txt", SystemInfo(Zone, Bsod, Service, Display, Restore)),
                member("DeviceList.txt", DeviceListReport({gpu})),
                member("AppData/Logs/Install/setupapi.dev.log", SetupApiLog(kInstance, LogFile)),
                member(kDump, Dump)};
    }
    Triage Read() const { return ReadArchiveFacts(Members(), Options{}); }
};

const Finding* Find(const Triage& t, const std::string& id) {
    for (const Finding& f : t.Findings) {
        if (f.Id == id) {
            return &f;
        }
    }
    return nullptr;
}

// Guards the join of a decoded dump to BSOD Time (same crash within a minute, in the machine's
// zone) and to the driver service and the device whose install names the faulting file.
TEST(CrashDump, JoinsBsodTimeServiceAndDevice) {
    const Triage t = Archive{}.Read();
    ASSERT_EQ(t.DumpFiles.size(), 1u);
    EXPECT_EQ(t.DumpFiles[0].Decoded.Kind, DumpKind::KernelTriage);
    EXPECT_EQ(t.DumpFiles[0].CrashLocal, (LocalTime{2025, 12, 10, 11, 7, 14}));
    ASSERT_EQ(t.Crashes.size(), 1u) << "one crash, not the BSOD time and the dump apart";
    const CrashLink& c = t.Crashes[0];
    EXPECT_EQ(c.Source, "BSOD Time");
    EXPECT_EQ(c.DumpFile, 0u);
    ASSERT_TRUE(c.Driver.Service);
    EXPECT_EQ(t.System.Drivers[*c.Driver.Service].Name, "nvlddmkm");
    ASSERT_TRUE(c.Driver.Device);
    EXPECT_EQ(t.Devices[*c.Driver.Device].Instance, kInstance);
    EXPECT_EQ(c.Driver.DeviceMatch, std::string("AppData/Logs/Install/setupapi.dev.log line 3 "
                                                "names nvlddmkm.sys in the install of ") +
                                        kInstance);

    const Finding* f = Find(t, "crash.faulting_driver");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Level, Severity::Error);
    EXPECT_EQ(f->Text.rfind("The crash of 2025-12-10 11:07:14 (bug check 0x1000007E "
                            "SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M, exception 0xC0000005 access "
                            "violation) happened in nvlddmkm.sys at +0x334C; its driver service "
                            "nvlddmkm is \"nvlddmkm\"; it is the driver of the device",
                            0),
              0u)
        << f->Text;
    EXPECT_NE(f->Text.find("installed on 2025-12-09 08:00:00 UTC; the previous driver can be "
                           "rolled back to."),
              std::string::npos)
        << f->Text;
    EXPECT_EQ(f->Evidence[0], (Evidence{kDump, 0}));

    // The install a day before is flagged more strongly: the fault lies in its driver.
    const Finding* recent = Find(t, "crash.recent_driver_rollback");
    ASSERT_TRUE(recent);
    EXPECT_NE(recent->Text.find("the crash happened in its driver nvlddmkm.sys"),
              std::string::npos);
}

// Guards against claims that rest on nothing: without the service line, without an install
// naming the file, and with a dump two minutes off BSOD Time, none of those links is made.
TEST(CrashDump, NoLinkWithoutAFact) {
    Archive a;
    a.Service = false;
    a.LogFile = "other.sys";
    a.Bsod = "12/10/2025 11:09:15 AM";
    const Triage t = a.Read();
    ASSERT_EQ(t.Crashes.size(), 2u) << "two minutes apart: two crashes";
    for (const CrashLink& c : t.Crashes) {
        EXPECT_FALSE(c.Driver.Service);
        EXPECT_FALSE(c.Driver.Device);
    }
    const Finding* f = Find(t, "crash.faulting_driver");
    ASSERT_TRUE(f);
    EXPECT_NE(f->Text.find("no install in the archive names this file"), std::string::npos);
    EXPECT_EQ(f->Text.find("device"), f->Text.find("its device is not known") + 4);
    const Finding* recent = Find(t, "crash.recent_driver_rollback");
    ASSERT_TRUE(recent) << "the install before the crash is still found";
    EXPECT_EQ(recent->Text.find("the crash happened in its driver"), std::string::npos);
}

// Guards the time of a dump on a machine of unknown zone: it stays UTC, says so, and is not
// matched to the local BSOD Time.
TEST(CrashDump, UnknownZoneKeepsUtc) {
    Archive a;
    a.Zone = "";
    a.Bsod = "12/10/2025 10:07:14 AM";
    const Triage t = a.Read();
    ASSERT_EQ(t.Crashes.size(), 2u);
    const CrashLink* dump = t.Crashes[0].DumpFile ? &t.Crashes[0] : &t.Crashes[1];
    EXPECT_TRUE(dump->TimeUtc);
    EXPECT_EQ(dump->Source, kDump);
    EXPECT_EQ(dump->Time, (LocalTime{2025, 12, 10, 10, 7, 14}));
    ASSERT_EQ(t.Dumps.size(), 1u);
    EXPECT_EQ(t.Dumps[0].TimeText, "2025-12-10 10:07:14 UTC");
    const Finding* f = Find(t, "crash.faulting_driver");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Text.rfind("The crash of 2025-12-10 10:07:14 UTC (", 0), 0u);
}

// Guards that a damaged dump is a note and the rest of the archive is still read; a dump that
// is not a kernel dump gives neither note nor crash.
TEST(CrashDump, DamagedAndForeignDumps) {
    Archive a;
    a.Dump.resize(0x1800);
    const Triage t = a.Read();
    const Finding* note = Find(t, "dump.damaged");
    ASSERT_TRUE(note);
    EXPECT_EQ(note->Text.rfind(std::string(kDump) + " is damaged: the file (6144 bytes)", 0), 0u);
    EXPECT_FALSE(Find(t, "crash.faulting_driver"));
    EXPECT_EQ(t.Devices.size(), 1u);

    a.Dump = "MDMP" + std::string(60, '\0');
    const Triage user = a.Read();
    EXPECT_FALSE(Find(user, "dump.damaged"));
    ASSERT_EQ(user.DumpFiles.size(), 1u);
    EXPECT_EQ(user.DumpFiles[0].Decoded.Kind, DumpKind::UserMinidump);
    ASSERT_EQ(user.Crashes.size(), 1u) << "only BSOD Time";
    EXPECT_FALSE(user.Crashes[0].DumpFile);
}

// Guards the second way to a device: with no install naming the file, the device is taken only
// when the service's display name holds its provider and a restore point updated it; either
// fact alone is not enough.
TEST(CrashDump, ByNameOnlyNeedsProviderAndRestorePoint) {
    const std::string point = "2025-12-09 07:59:00 | Plenvia driver update: NVIDIA GeForce GTX "
                              "1060 | 10";
    Archive a;
    a.LogFile = "other.sys";
    a.Display = "Acme Display Kernel Driver";
    a.Restore = {point};
    const Triage t = a.Read();
    ASSERT_TRUE(t.Crashes[0].Driver.Device);
    EXPECT_EQ(t.Crashes[0].Driver.DeviceMatch,
              "by name only: the service's display name names its provider Acme, and the restore "
              "point of 2025-12-09 07:59:00 \"Plenvia driver update: NVIDIA GeForce GTX 1060\" "
              "updated it");
    const Finding* f = Find(t, "crash.faulting_driver");
    ASSERT_TRUE(f);
    EXPECT_NE(f->Text.find("restore point \"Plenvia driver update: NVIDIA GeForce GTX 1060\" of "
                           "2025-12-09 07:59:00"),
              std::string::npos)
        << f->Text;

    Archive noPoint = a;
    noPoint.Restore = {"2025-12-09 07:59:00 | Plenvia driver update: Other Device | 10"};
    EXPECT_FALSE(noPoint.Read().Crashes[0].Driver.Device);
    Archive otherProvider = a;
    otherProvider.Display = "Contoso Display Driver";
    EXPECT_FALSE(otherProvider.Read().Crashes[0].Driver.Device);

    // With the install naming the file, the restore point is named beside it.
    Archive both;
    both.Restore = {point};
    EXPECT_TRUE(both.Read().Crashes[0].Driver.UpdatePoint);
}

// Guards the report lines the joins read: the zone's offset and the Drivers section.
TEST(CrashDump, SystemReportZoneAndDrivers) {
    const struct {
        const char* Zone;
        std::optional<int> Offset;
    } zones[] = {{"W. Europe Standard Time (UTC01:00)", 60},
                 {"Pacific Standard Time (UTC-08:00)", -480},
                 {"India Standard Time (UTC05:30)", 330},
                 {"Greenwich Standard Time (UTC00:00)", 0},
                 {"Newfoundland Standard Time (UTC-03:30)", -210},
                 {"", std::nullopt},
                 {"Nowhere (UTC+1)", std::nullopt},
                 {"Far (UTC99:00)", std::nullopt}};
    for (const auto& z : zones) {
        std::vector<ReadNote> notes;
        const SystemFacts s = ParseSystemInfo(SystemInfo(z.Zone, "N/A", true), "S", notes);
        EXPECT_EQ(s.UtcOffsetMinutes, z.Offset) << z.Zone;
        ASSERT_EQ(s.Drivers.size(), 2u);
        EXPECT_EQ(s.Drivers[1].Name, "nvlddmkm");
        EXPECT_EQ(s.Drivers[1].Where.Line, 10);
    }
}

} // namespace
} // namespace pv::triage
