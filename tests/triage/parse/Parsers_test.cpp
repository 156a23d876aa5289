// Each parser on report bytes in the writers' exact formats, and on the reports the product wrote
// under Wine (data/wine, from a sample machine with an en-US locale).
#include "ReportBytes.h"
#include "triage/model/DateText.h"
#include "triage/parse/Parsers.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

using test::Utf16Report;
using test::WineMember;

std::vector<std::string> NoteIds(const std::vector<ReadNote>& notes) {
    std::vector<std::string> ids;
    for (const ReadNote& n : notes) {
        ids.push_back(n.Id + "@" + std::to_string(n.Where.Line));
    }
    return ids;
}

TEST(SystemInfo, WineReport) {
    std::vector<ReadNote> notes;
    const SystemFacts s = ParseSystemInfo(WineMember("SystemInfo.txt"), "SystemInfo.txt", notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(s.Os, "Windows 10 x64 Build 18362");
    EXPECT_EQ(s.Computer, "VM");
    EXPECT_EQ(s.Locale, "en-US");
    EXPECT_EQ(s.BsodTime, (LocalTime{2024, 4, 2, 18, 45, 10}));
    EXPECT_EQ(s.BsodTimeText, "4/2/2024 6:45:10 PM");
    EXPECT_EQ(s.BsodWhere, (Evidence{"SystemInfo.txt", 15}));
    EXPECT_EQ(s.LogTime, (LocalTime{2026, 12, 10, 5, 20, 11}));
    ASSERT_EQ(s.Volumes.size(), 2u);
    EXPECT_EQ(s.Volumes[0].Name, "C:");
    EXPECT_EQ(s.Volumes[0].FileSystem, "NTFS");
    EXPECT_EQ(s.Volumes[0].Free, uint64_t(75.05 * (1 << 30) + 0.5));
    EXPECT_EQ(s.Volumes[0].Total, uint64_t(251.97 * (1 << 30) + 0.5));
    EXPECT_TRUE(s.Volumes[0].System); // the tool's own process runs from C:\windows\temp
    EXPECT_FALSE(s.Volumes[1].System);
    EXPECT_EQ(s.Volumes[1].Where, (Evidence{"SystemInfo.txt", 21}));
    ASSERT_EQ(s.Programs.size(), 7u);
    EXPECT_EQ(s.Programs.front(), "Acme Audio Suite, (2.4.1), [AcmeAudio]");
}

const std::string kGermanSystemInfo = Utf16Report({
    "===== System =====",
    "",
    "Operating System : Windows 10 x64 Build 19045",
    "Locale-Language  : de-DE",
    "Computer Name    : PC-7",
    "BSOD Time        : 02.04.2024 18:45:10",
    "Log Time         : 10.12.2026",
    "",
    "===== Volumes =====",
    "",
    "[C:] , 0A1B2C3D, NTFS, (1,50 GB / 237,87 GB)",
    "[D:] Daten, alt, 1234ABCD, NTFS, (10,00 GB / 1.863,01 GB)",
    "[E:] , , , ( / )",
    "",
    "===== Processes =====",
    "",
    "System [4] ",
    "svchost.exe [812] D:\\Windows\\System32\\svchost.exe",
    "",
    "===== Programs =====",
    "",
    "Acme, (1.0), [Acme]",
});

TEST(SystemInfo, GermanLocaleAndTheWindowsDrive) {
    std::vector<ReadNote> notes;
    const SystemFacts s = ParseSystemInfo(kGermanSystemInfo, "SystemInfo.txt", notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(s.BsodTime, (LocalTime{2024, 4, 2, 18, 45, 10}));
    EXPECT_EQ(s.LogTime, (LocalTime{2026, 12, 10, 0, 0, 0}));
    ASSERT_EQ(s.Volumes.size(), 3u);
    EXPECT_EQ(s.Volumes[0].Free, uint64_t{3} << 29);
    EXPECT_FALSE(s.Volumes[0].System);
    EXPECT_EQ(s.Volumes[1].Label, "Daten, alt");
    EXPECT_EQ(s.Volumes[1].Free, uint64_t{10} << 30);
    EXPECT_EQ(s.Volumes[1].Total, uint64_t(1863.01 * (1 << 30) + 0.5));
    EXPECT_TRUE(s.Volumes[1].System);
    // A failed free-space query leaves both sizes empty; nothing is guessed.
    EXPECT_FALSE(s.Volumes[2].Free);
    EXPECT_FALSE(s.Volumes[2].Total);
    EXPECT_EQ(s.Programs, std::vector<std::string>{"Acme, (1.0), [Acme]"});
}

TEST(SystemInfo, UnreadableCrashTimeKeepsItsText) {
    std::vector<ReadNote> notes;
    const SystemFacts s = ParseSystemInfo(
        Utf16Report({"Locale-Language  : fr-CA", "BSOD Time        : 2024-13-02 18:45",
                     "Log Time         : N/A"}),
        "SystemInfo.txt", notes);
    EXPECT_FALSE(s.BsodTime);
    EXPECT_EQ(s.BsodTimeText, "2024-13-02 18:45");
    EXPECT_EQ(NoteIds(notes), (std::vector<std::string>{"read.date@2", "read.date@3"}));
}

TEST(SystemInfo, NoCrashIsNotAnError) {
    std::vector<ReadNote> notes;
    const SystemFacts s =
        ParseSystemInfo(Utf16Report({"BSOD Time        : N/A"}), "SystemInfo.txt", notes);
    EXPECT_FALSE(s.BsodTime);
    EXPECT_EQ(s.BsodTimeText, "N/A");
    EXPECT_TRUE(notes.empty());
}

TEST(DeviceList, WineReport) {
    std::vector<ReadNote> notes;
    const std::vector<Device> devices =
        ParseDeviceList(WineMember("DeviceList.txt"), "DeviceList.txt", notes);
    EXPECT_TRUE(notes.empty());
    ASSERT_EQ(devices.size(), 20u);
    const Device& audio = devices[0];
    EXPECT_EQ(audio.Key, "B5182196465884FF611F1BFCC955F266");
    EXPECT_EQ(audio.Name, "Realtek Audio");
    EXPECT_EQ(audio.Class, "{4D36E96C-E325-11CE-BFC1-08002BE10318} MEDIA");
    EXPECT_EQ(audio.Installed, (LocalTime{2024, 2, 1, 12, 0, 0}));
    EXPECT_EQ(audio.DriverDate, (LocalTime{2021, 1, 12, 0, 0, 0}));
    EXPECT_EQ(audio.Version, "6.0.9088.1");
    EXPECT_EQ(audio.Provider, "Realtek Semiconductor Corp.");
    EXPECT_EQ(audio.Instance,
              "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0257&SUBSYS_17AA224D&REV_1000\\4&2B2F5B8&0&0001");
    EXPECT_TRUE(audio.Plugged);
    EXPECT_EQ(audio.Problem, 0);
    EXPECT_EQ(audio.State, 0);
    EXPECT_EQ(audio.Where, (Evidence{"DeviceList.txt", 1}));
    EXPECT_EQ(devices[1].Where, (Evidence{"DeviceList.txt", 29}));

    int withProblem = 0;
    for (const Device& d : devices) {
        if (d.Code.value_or(0) != 0) {
            ++withProblem;
            EXPECT_EQ(d.Name, "Base System Device");
            EXPECT_EQ(d.Code, 28);
            EXPECT_TRUE(d.Reinstall);
        }
    }
    EXPECT_EQ(withProblem, 1);
    // Devices without an install date (InDa.D = 0) have none, and that is no reading failure.
    EXPECT_FALSE(devices.back().Installed);
}

TEST(DeviceList, GermanDecimalCommaAndFallbacks) {
    const std::string bytes = Utf16Report({
        "#0",
        "[Device]",
        " Key  = 0123456789ABCDEF0123456789ABCDEF",
        " Name = Karte = Leser",
        " Date.D = abc",
        " InDa.D = 45323,5",
        " Prob = x",
        " Code = 10",
        " Plug = False",
        "[HardID]",
        " Name = not a field",
        "[MatchID]",
        " ",
        "",
        "#1",
        "[Device]",
        " InDa = 2.1.2024 12:00:00",
        " Stat = 2",
    });
    std::vector<ReadNote> notes;
    const std::vector<Device> devices = ParseDeviceList(bytes, "DeviceList.txt", notes);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].Name, "Karte = Leser");
    EXPECT_EQ(devices[0].Installed, (LocalTime{2024, 2, 1, 12, 0, 0}));
    EXPECT_FALSE(devices[0].DriverDate);
    EXPECT_EQ(devices[0].DriverDateText, "abc");
    EXPECT_FALSE(devices[0].Problem);
    EXPECT_EQ(devices[0].Code, 10);
    EXPECT_FALSE(devices[0].Plugged);
    // Without InDa.D the "m/d/yyyy" text is read month first, whatever its separators.
    EXPECT_EQ(devices[1].Installed, (LocalTime{2024, 2, 1, 12, 0, 0}));
    EXPECT_EQ(devices[1].State, 2);
    EXPECT_EQ(devices[1].Where, (Evidence{"DeviceList.txt", 15}));
    EXPECT_EQ(NoteIds(notes), (std::vector<std::string>{"read.date@5", "read.value@7"}));
}

TEST(MemoryDumpList, WineReport) {
    std::vector<ReadNote> notes;
    const std::vector<Dump> dumps =
        ParseMemoryDumpList(WineMember("MEMORYDMP.txt"), "MEMORYDMP.txt", "en-US", notes);
    EXPECT_TRUE(notes.empty());
    ASSERT_EQ(dumps.size(), 4u);
    EXPECT_EQ(dumps[0].Name, "C:\\windows\\Minidump\\040224-5012-01.dmp");
    EXPECT_EQ(dumps[0].Size, 65536u);
    EXPECT_EQ(dumps[0].Time, (LocalTime{2024, 4, 2, 0, 0, 0}));
    EXPECT_TRUE(dumps[0].DateOnly);
    EXPECT_FALSE(dumps[0].FullDump);
    EXPECT_EQ(dumps[2].Where, (Evidence{"MEMORYDMP.txt", 13}));
    EXPECT_FALSE(dumps[2].FullDump);
    EXPECT_EQ(dumps[3].Name, "C:\\windows\\MEMORY.DMP");
    EXPECT_TRUE(dumps[3].FullDump);
    EXPECT_EQ(dumps[3].Size, 4096u);
    EXPECT_EQ(dumps[3].Time, (LocalTime{2024, 2, 10, 0, 0, 0}));
}

TEST(MemoryDumpList, OnlyAFullDumpInGerman) {
    const std::string bytes = Utf16Report({"", "", "C:\\Windows\\MEMORY.DMP", "2,5 MB",
                                           "CreateTime: 01.01.2024", "ModifyTime: 15.01.2024"});
    std::vector<ReadNote> notes;
    const std::vector<Dump> dumps = ParseMemoryDumpList(bytes, "MEMORYDMP.txt", "de-DE", notes);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_TRUE(dumps[0].FullDump);
    EXPECT_EQ(dumps[0].Size, 2621440u);
    // The full dump is rewritten by every crash: its change date is the crash's.
    EXPECT_EQ(dumps[0].Time, (LocalTime{2024, 1, 15, 0, 0, 0}));
    EXPECT_TRUE(notes.empty());
}

TEST(MemoryDumpList, AmbiguousDateWithoutLocaleIsNotGuessed) {
    const std::string bytes = Utf16Report({"C:\\Windows\\Minidump\\a.dmp", "128 KB",
                                           "CreateTime: 02/03/2024", "ModifyTime: 02/03/2024"});
    std::vector<ReadNote> notes;
    const std::vector<Dump> dumps = ParseMemoryDumpList(bytes, "MEMORYDMP.txt", "", notes);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_FALSE(dumps[0].Time);
    EXPECT_EQ(dumps[0].TimeText, "02/03/2024");
    EXPECT_EQ(NoteIds(notes), std::vector<std::string>{"read.date@3"});
}

TEST(FileList, WineListings) {
    std::vector<ReadNote> notes;
    const EditionFiles main = ParseFileList(WineMember("FileList.txt"), "FileList.txt", notes);
    EXPECT_EQ(main.Edition, "main");
    EXPECT_EQ(main.Files, 25);
    EXPECT_EQ(main.WithoutDigest, 5); // the shared download and backup folders' files
    const EditionFiles beta =
        ParseFileList(WineMember("FileList_beta.txt"), "FileList_beta.txt", notes);
    EXPECT_EQ(beta.Edition, "beta");
    EXPECT_EQ(beta.Files, 18);
    EXPECT_EQ(beta.WithoutDigest, 0);
    EXPECT_EQ(ParseFileList("\xFF\xFE", "FileList_lumen3.txt", notes).Edition, "lumen3");
    EXPECT_TRUE(notes.empty());
}

struct PingCase {
    const char* name;
    std::string bytes;
    std::string host;
    std::string address;
};

class PingHostsTest : public testing::TestWithParam<PingCase> {};

TEST_P(PingHostsTest, HostAndAddress) {
    std::vector<ReadNote> notes;
    const PingFacts ping = ParsePingHosts(GetParam().bytes, "PingHosts.txt", notes);
    EXPECT_TRUE(ping.Present);
    EXPECT_EQ(ping.Host, GetParam().host);
    EXPECT_EQ(ping.Address, GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PingHostsTest,
    testing::Values(
        PingCase{"WineUnresolved", WineMember("PingHosts.txt"), "www.orvix.com", ""},
        PingCase{"Resolved",
                 Utf16Report({"\r\nPinging www.orvix.com [203.0.113.7] with 32 bytes of data:"}),
                 "www.orvix.com", "203.0.113.7"},
        PingCase{"ResolvedIpv6", Utf16Report({"Pinging orvix.com [2001:db8::7] with 32 bytes"}),
                 "orvix.com", "2001:db8::7"},
        PingCase{"GermanUnresolved",
                 Utf16Report({"Ping-Anforderung konnte Host \"www.orvix.com\" nicht finden. "
                              "Überprüfen Sie den Namen, und versuchen Sie es erneut."}),
                 "www.orvix.com", ""},
        PingCase{"CutBeforeTheBracketCloses", Utf16Report({"Pinging www.orvix.com [203.0"}),
                 "www.orvix.com", ""},
        PingCase{"NothingCaptured", Utf16Report({""}), "", ""}),
    [](const auto& info) { return info.param.name; });

const std::vector<std::string> kMaker = {"www.orvix.com", "orvix.com"};

TEST(HostsFile, EntriesWithoutComments) {
    std::vector<ReadNote> notes;
    EXPECT_EQ(ParseHostsFile(WineMember("Hosts"), "Hosts", kMaker, notes).size(), 2u);
    const std::vector<HostsEntry> entries = ParseHostsFile(
        "# 203.0.113.1 www.orvix.com\r\n  203.0.113.9\twww.orvix.com orvix.com # moved\n\n",
        "Hosts", kMaker, notes);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Host, "www.orvix.com");
    EXPECT_EQ(entries[0].Address, "203.0.113.9");
    EXPECT_EQ(entries[1].Host, "orvix.com");
    EXPECT_EQ(entries[1].Where, (Evidence{"Hosts", 2}));
    EXPECT_TRUE(notes.empty());
}

TEST(RegistryDump, WineValues) {
    std::vector<ReadNote> notes;
    EXPECT_EQ(ParseRegistryDump(WineMember("pvreg.txt"), "pvreg.txt", notes),
              (std::vector<std::string>{"ftype=full", "shareid=PV-5521-ACX", "share_id=88172"}));
}

const char kSetupApiLog[] =
    "[Device Install Log]\r\n"
    "     OS Version = 10.0.19045\r\n"
    "[BeginLog]\r\n"
    "\r\n"
    ">>>  [Device Install (Hardware initiated) - "
    "PCI\\VEN_1217&DEV_8621&SUBSYS_224D17AA&REV_01\\4&3A3B7A2&0&00E4]\r\n"
    ">>>  Section start 2024/03/29 10:02:11.123\r\n"
    "     utl:           Driver INF     - oem42.inf (C:\\Windows\\INF\\oem42.inf)\r\n"
    "!!!  dvi: Device not started: Device has problem: 0x1c (CM_PROB_FAILED_INSTALL).\r\n"
    "!!!  ndv: Driver package import failed for device.\r\n"
    "<<<  Section end 2024/03/29 10:02:15.456\r\n"
    "<<<  [Exit status: FAILURE(0xe0000219)]\r\n"
    "\r\n"
    ">>>  [Device Install (DiInstallDriver) - C:\\Windows\\INF\\usbstor.inf]\r\n"
    ">>>  Section start 2024/03/30 11:00:00.000\r\n"
    "<<<  Section end 2024/03/30 11:00:01.000\r\n"
    "<<<  [Exit status: SUCCESS]\r\n"
    "\r\n"
    ">>>  [Device Install (Hardware initiated) - USB\\VID_0781&PID_5567\\4C530001]\r\n"
    ">>>  Section start 2024/03/31 09:00:00.000\r\n"
    "!!!  dvi: the log ends here\r\n";

TEST(SetupApiLog, SectionsWithTheirDeviceStatusAndErrors) {
    std::vector<ReadNote> notes;
    const std::vector<InstallSection> sections =
        ParseSetupApiLog(kSetupApiLog, "AppData/Logs/Install/setupapi.dev.log", notes);
    EXPECT_TRUE(notes.empty());
    ASSERT_EQ(sections.size(), 3u);

    const InstallSection& failed = sections[0];
    EXPECT_EQ(failed.Device, "PCI\\VEN_1217&DEV_8621&SUBSYS_224D17AA&REV_01\\4&3A3B7A2&0&00E4");
    EXPECT_EQ(failed.Start, (LocalTime{2024, 3, 29, 10, 2, 11}));
    EXPECT_EQ(failed.Status, "FAILURE(0xe0000219)");
    EXPECT_TRUE(failed.Failed);
    EXPECT_EQ(failed.Inf, "oem42.inf");
    ASSERT_EQ(failed.Errors.size(), 2u);
    EXPECT_EQ(failed.Errors[1], "ndv: Driver package import failed for device.");
    EXPECT_EQ(failed.ErrorLines, (std::vector<int>{8, 9}));
    EXPECT_EQ(failed.Where, (Evidence{"AppData/Logs/Install/setupapi.dev.log", 5}));

    EXPECT_EQ(sections[1].Device, "");
    EXPECT_EQ(sections[1].Inf, "C:\\Windows\\INF\\usbstor.inf");
    EXPECT_FALSE(sections[1].Failed);

    // A section the log never closed has no status and is not a failure.
    EXPECT_EQ(sections[2].Status, "");
    EXPECT_FALSE(sections[2].Failed);
    EXPECT_EQ(sections[2].Errors.size(), 1u);
}

TEST(SetupApiLog, WineLogHasNoSection) {
    std::vector<ReadNote> notes;
    EXPECT_TRUE(ParseSetupApiLog(WineMember("setupapi.dev.log"), "x", notes).empty());
}

struct SizeCase {
    const char* text;
    std::optional<uint64_t> bytes;
};

class SizeTextTest : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeTextTest, ReadsBothWritersSizes) {
    EXPECT_EQ(ReadSizeText(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SizeTextTest,
    testing::Values(SizeCase{"1023 B", 1023}, SizeCase{"1,00 KB", 1024},
                    SizeCase{"931,51 GB", uint64_t(931.51 * (1 << 30) + 0.5)},
                    SizeCase{"1.863,01 GB", uint64_t(1863.01 * (1 << 30) + 0.5)},
                    SizeCase{"1,863.01 GB", uint64_t(1863.01 * (1 << 30) + 0.5)},
                    SizeCase{"1\xC2\xA0"
                             "863,01 GB",
                             uint64_t(1863.01 * (1 << 30) + 0.5)},
                    SizeCase{"2.5 MB", 2621440}, SizeCase{"2,5 MB", 2621440},
                    SizeCase{"128 KB", 131072}, SizeCase{"1024 bytes", 1024}, SizeCase{" bytes", 0},
                    SizeCase{"3.072 GB", uint64_t{3072} << 30}, SizeCase{"", std::nullopt},
                    SizeCase{"GB", std::nullopt}, SizeCase{"12 XB", std::nullopt},
                    SizeCase{"1,,2 GB", std::nullopt}, SizeCase{"-5 GB", std::nullopt},
                    SizeCase{"99999999999999999999 GB", std::nullopt}));

TEST(MakerHost, NamesAndSubdomainsOnly) {
    const std::vector<std::string> maker = {"www.orvix.com", "orvix.com"};
    EXPECT_TRUE(IsMakerHost("www.orvix.com", maker));
    EXPECT_TRUE(IsMakerHost("WWW.Orvix.COM.", maker));
    EXPECT_TRUE(IsMakerHost("update.orvix.com", maker));
    EXPECT_FALSE(IsMakerHost("notorvix.com", maker));
    EXPECT_FALSE(IsMakerHost("orvix.com.example.net", maker));
    EXPECT_FALSE(IsMakerHost("", maker));
}

} // namespace
} // namespace pv::triage
