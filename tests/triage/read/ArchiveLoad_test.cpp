#include "triage/read/ArchiveLoad.h"

#include "ArchiveTestZip.h"

#include <gtest/gtest.h>

namespace pv::triage {
namespace {

using test::BuildZip;
using test::TempFolder;
using test::TestMember;

TEST(ArchiveLoad, ParsedMembersAreTheReportsHostsDriverInstallLogAndDumps) {
    const std::pair<const char*, bool> cases[] = {
        {"SystemInfo.txt", true},
        {"DeviceList.txt", true},
        {"FileList.txt", true},
        {"FileList_lumen3.txt", true},
        {"MEMORYDMP.txt", true},
        {"PingHosts.txt", true},
        {"NetInfo.txt", true},
        {"pvreg.txt", true},
        {"Hosts", true},
        {"AppData/Logs/Install/setupapi.dev.log", true},
        {"AppData/Logs/Install/setupapi.app.log", false},
        {"AppData/FileList.txt", false},
        {"AppData/Logs/Main/20240131.log", false},
        {"systeminfo.txt", true},
        {"AppData\\Logs\\Install\\SETUPAPI.DEV.LOG", true},
        {"filelist_beta.TXT", true},
        {"AppData\\FileList.txt", false},
        {"SystemInfo.txt.bak", false},
        {"Mini012424-01.dmp", true},
        {"012424-5312-01.DMP", true},
        {"AppData/Minidump/Mini012424-01.dmp", false},
        {"MiniDrvSetup.dmp", false},
        {".dmp", false},
    };
    for (const auto& [name, parsed] : cases)
        EXPECT_EQ(IsParsedMember(name), parsed) << name;
}

struct Loaded {
    TempFolder Folder;
    std::unique_ptr<Archive> Opened;
};

std::unique_ptr<Loaded> Open(const std::vector<TestMember>& members) {
    auto loaded = std::make_unique<Loaded>();
    OpenResult result = Archive::Open(loaded->Folder.Write("a.zip", BuildZip(members)));
    EXPECT_TRUE(result.Opened) << result.Error;
    loaded->Opened = std::move(result.Opened);
    return loaded;
}

TEST(ArchiveLoad, OnlyReportsAreReadAndOnlyVerifyChecksTheRest) {
    TestMember corruptLog{"AppData/Logs/Main/20240131.log", std::string(5000, 'l')};
    corruptLog.DeclaredCrc = 1;
    TestMember dump{"Mini012424-01.dmp", "MDMP"};
    dump.UnixTime = 1706096096;
    const auto loaded = Open({{"SystemInfo.txt", "system"}, corruptLog, dump, {"Hosts", "h"}});

    const std::vector<Member> quick = LoadMembers(*loaded->Opened, false);
    ASSERT_EQ(quick.size(), 4u);
    EXPECT_EQ(quick[0].Name, "SystemInfo.txt");
    EXPECT_EQ(quick[0].Bytes, "system");
    EXPECT_TRUE(quick[1].Bytes.empty());
    EXPECT_FALSE(quick[1].Damaged); // never read, so not known
    EXPECT_EQ(quick[2].Modified, 1706096096);
    EXPECT_EQ(quick[2].Size, 4u);
    EXPECT_EQ(quick[1].Size, 5000u); // declared, though never read
    EXPECT_EQ(quick[3].Bytes, "h");

    const std::vector<Member> verified = LoadMembers(*loaded->Opened, true);
    EXPECT_TRUE(verified[1].Damaged);
    EXPECT_TRUE(verified[1].Bytes.empty());
    EXPECT_FALSE(verified[0].Damaged);
    EXPECT_FALSE(verified[2].Damaged);
}

TEST(ArchiveLoad, ADamagedReportKeepsWhatWasReadBeforeTheFault) {
    TestMember report{"DeviceList.txt", std::string(3000, 'd')};
    report.DeclaredCrc = 7;
    const auto loaded = Open({report});
    const std::vector<Member> members = LoadMembers(*loaded->Opened, false);
    EXPECT_TRUE(members[0].Damaged);
    EXPECT_EQ(members[0].Bytes.size(), 3000u);
}

// Guards the reports against dumps packed before them: dumps have a running total of their own.
TEST(ArchiveLoad, DumpsNeverCrowdOutAReport) {
    const auto loaded = Open({{"030124-1-01.dmp", std::string(300, 'a')},
                              {"031524-1-01.dmp", std::string(300, 'b')},
                              {"SystemInfo.txt", std::string(400, 's')}});
    LoadLimits limits;
    limits.TotalCap = 450;
    limits.DumpTotalCap = 450;
    const std::vector<Member> members = LoadMembers(*loaded->Opened, false, limits);
    EXPECT_EQ(members[0].Bytes.size(), 300u);
    EXPECT_TRUE(members[1].OverCap) << "past the dumps' own total";
    EXPECT_FALSE(members[2].OverCap) << "the dumps do not count against the reports";
    EXPECT_EQ(members[2].Bytes.size(), 400u);
}

TEST(ArchiveLoad, ReportsPastEitherCapAreMarkedAndNotRead) {
    const auto loaded = Open({{"SystemInfo.txt", std::string(600, 's')},
                              {"DeviceList.txt", std::string(300, 'd')},
                              {"FileList.txt", std::string(300, 'f')},
                              {"pvreg.txt", std::string(100, 'p')}});
    LoadLimits limits;
    limits.MemberCap = 500;
    limits.TotalCap = 450;
    const std::vector<Member> members = LoadMembers(*loaded->Opened, false, limits);
    EXPECT_TRUE(members[0].OverCap); // over the member cap
    EXPECT_TRUE(members[0].Bytes.empty());
    EXPECT_FALSE(members[1].OverCap); // 300 of 450
    EXPECT_TRUE(members[2].OverCap);  // 300 more would pass the total
    EXPECT_FALSE(members[3].OverCap); // 100 more still fits
    EXPECT_EQ(members[3].Bytes.size(), 100u);
}

} // namespace
} // namespace pv::triage
