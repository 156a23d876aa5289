#include "FakeJobFileSystem.h"
#include "platform/Text.h"
#include "report/CollectionPlan.h"
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>

namespace pv {
namespace {

using Paths = std::vector<std::u16string>;

const std::u16string kU = u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\";
const std::u16string kLogs = kU + u"Logs\\";
const CivilDate kJan31{2024, 1, 31};

TPlanRoots SampleRoots() {
    TPlanRoots r;
    r.User = kU;
    r.Machine = u"C:\\ProgramData\\Orvix\\Plenvia\\";
    r.CommonData = u"C:\\ProgramData\\";
    r.App = u"C:\\Program Files (x86)\\Plenvia\\";
    r.Beta = u"C:\\Program Files (x86)\\Plenvia Beta\\";
    r.Editions = {u"D:\\Lumen\\common\\Plenvia\\", u"D:\\Apps\\PLENVIA 5 Beta\\",
                  u"D:\\Lumen\\common\\Unrelated\\"};
    r.WindowsDir = u"C:\\Windows";
    r.WindowsFolder = u"C:\\Windows";
    return r;
}

// Records the run steps as marker members ("<PingHosts>") so their position in the order shows.
class MarkerRunner : public IPlanRunner {
public:
    std::vector<PlanAction> Ran;
    PlanAction Throws = PlanAction::PruneMissing; // none of the runner's actions
    std::u16string CrashDump;

    void Run(PlanAction action, TCollection& job) override {
        Ran.push_back(action);
        if (action == Throws) {
            job.AddItem(u"C:\\partial", u"<partial>");
            throw std::runtime_error("writer failed");
        }
        job.AddItem(u"C:\\marker", u"<" + Name(action) + u">");
    }
    std::u16string Query(PlanAction action) override {
        Ran.push_back(action);
        if (action == Throws) {
            throw std::runtime_error("query failed");
        }
        switch (action) {
        case PlanAction::CrashDump:
            return CrashDump;
        case PlanAction::BackupIndexIni:
            return u"C:\\Drivers\\Vault.ini";
        case PlanAction::BackupIndexJson:
            return u"C:\\Drivers\\Vault.json";
        default:
            return {};
        }
    }
    static std::u16string Name(PlanAction action) {
        switch (action) {
        case PlanAction::PingHosts:
            return u"PingHosts";
        case PlanAction::MemoryDumpList:
            return u"MemoryDumpList";
        case PlanAction::RegistryDump:
            return u"RegistryDump";
        case PlanAction::NetInfo:
            return u"NetInfo";
        case PlanAction::SystemInfo:
            return u"SystemInfo";
        case PlanAction::DeviceList:
            return u"DeviceList";
        case PlanAction::FileLists:
            return u"FileLists";
        case PlanAction::SurgeLogs:
            return u"SurgeLogs";
        case PlanAction::BackupLogs:
            return u"BackupLogs";
        default:
            return u"?";
        }
    }
};

struct PlanRun {
    test::FakeJobFileSystem fs;
    MarkerRunner runner;
    TCollection job{fs};

    PlanRun() { fs.Files.insert(u"C:\\marker"); }

    void Execute(const TPlanRoots& roots, CivilDate today = kJan31) {
        job.EditionPaths = roots.Editions;
        ExecuteCollectionPlan(BuildCollectionPlan(roots, today), job, runner);
    }
    // Members without the run markers.
    Paths Members() const {
        Paths out;
        for (const auto& m : job.MemberNames) {
            if (m.empty() || m.front() != u'<') {
                out.push_back(m);
            }
        }
        return out;
    }
    size_t IndexOf(const std::u16string& member) const {
        return static_cast<size_t>(
            std::find(job.MemberNames.begin(), job.MemberNames.end(), member) -
            job.MemberNames.begin());
    }
};

TEST(CivilDate, SubtractsAcrossMonthsYearsAndLeapDays) {
    EXPECT_EQ(FormatDateStamp(SubtractDays(kJan31, 30)), u"20240101");
    EXPECT_EQ(FormatDateStamp(SubtractDays(kJan31, 31)), u"20231231");
    EXPECT_EQ(FormatDateStamp(SubtractDays({2024, 3, 1}, 1)), u"20240229");
    EXPECT_EQ(FormatDateStamp(SubtractDays({2023, 3, 1}, 1)), u"20230228");
    EXPECT_EQ(FormatDateStamp(SubtractDays({2100, 3, 1}, 1)), u"21000228");
    EXPECT_EQ(FormatDateStamp(SubtractDays({2000, 3, 1}, 1)), u"20000229");
    EXPECT_EQ(FormatDateStamp({987, 5, 6}), u"09870506");
}

TEST(CollectionPlan, DailyMainLogsCoverThirtyOneDaysNewestFirst) {
    PlanRun run;
    for (int d = 0; d <= 40; ++d) {
        const std::u16string stamp = FormatDateStamp(SubtractDays(kJan31, d));
        run.fs.Files.insert(kLogs + u"Main\\" + stamp + u".log");
        run.fs.Files.insert(kLogs + u"Main\\" + stamp + u"_auto.log");
    }
    run.Execute(SampleRoots());
    Paths expected;
    for (int d = 0; d < 31; ++d) {
        const std::u16string stamp = FormatDateStamp(SubtractDays(kJan31, d));
        expected.push_back(u"AppData\\Logs\\Main\\" + stamp + u".log");
        expected.push_back(u"AppData\\Logs\\Main\\" + stamp + u"_auto.log");
    }
    EXPECT_EQ(run.Members(), expected);
    EXPECT_EQ(expected.front(), u"AppData\\Logs\\Main\\20240131.log");
    EXPECT_EQ(expected.back(), u"AppData\\Logs\\Main\\20240101_auto.log");
}

TEST(CollectionPlan, DailyLogsComeBeforeGameBoostLogs) {
    PlanRun run;
    run.fs.Files.insert(kLogs + u"Main\\20240101_auto.log");
    run.Execute(SampleRoots());
    EXPECT_LT(run.IndexOf(u"AppData\\Logs\\Main\\20240101_auto.log"), run.IndexOf(u"<SurgeLogs>"));
    EXPECT_LT(run.IndexOf(u"<FileLists>"), run.IndexOf(u"AppData\\Logs\\Main\\20240101_auto.log"));
}

TEST(CollectionPlan, WritersRunOnceInOrder) {
    PlanRun run;
    run.Execute(SampleRoots());
    EXPECT_EQ(run.runner.Ran,
              (std::vector<PlanAction>{PlanAction::PingHosts, PlanAction::CrashDump,
                                       PlanAction::MemoryDumpList, PlanAction::RegistryDump,
                                       PlanAction::NetInfo, PlanAction::SystemInfo,
                                       PlanAction::DeviceList, PlanAction::FileLists,
                                       PlanAction::SurgeLogs, PlanAction::BackupLogs,
                                       PlanAction::BackupIndexIni, PlanAction::BackupIndexJson}));
}

TEST(CollectionPlan, DuplicateDpinstMemberPerUserFirst) {
    PlanRun run;
    run.fs.Files = {kLogs + u"Install\\DPINST.LOG", u"C:\\Windows\\DPINST.LOG"};
    run.Execute(SampleRoots());
    EXPECT_EQ(run.Members(), (Paths{u"AppData\\Logs\\Install\\DPINST.LOG",
                                    u"AppData\\Logs\\Install\\DPINST.LOG"}));
    EXPECT_EQ(run.job.SourceFiles,
              (Paths{kLogs + u"Install\\DPINST.LOG", u"C:\\Windows\\DPINST.LOG"}));
}

TEST(CollectionPlan, EmptyInstallFoldersAreSkippedNotResolvedAgainstCurrentFolder) {
    TPlanRoots roots = SampleRoots();
    roots.App.clear();
    roots.Beta.clear();
    roots.Editions.clear();
    for (const TPlanStep& step : BuildCollectionPlan(roots, kJan31)) {
        if (step.Kind == StepKind::Run || step.Kind == StepKind::AddQueried) {
            continue;
        }
        EXPECT_TRUE(step.Source.size() > 2 && step.Source[1] == u':') << ToUtf8(step.Source);
        EXPECT_EQ(step.Member.rfind(u"AppPath", 0), std::u16string::npos) << ToUtf8(step.Member);
        EXPECT_EQ(step.Member.rfind(u"bugreport", 0), std::u16string::npos);
    }
}

TEST(CollectionPlan, UnknownWindowsFoldersAddNothing) {
    TPlanRoots roots = SampleRoots();
    roots.WindowsDir.clear();
    roots.WindowsFolder.clear();
    for (const TPlanStep& step : BuildCollectionPlan(roots, kJan31)) {
        EXPECT_NE(step.Member, u"Hosts");
        EXPECT_EQ(step.Source.find(u"setupapi"), std::u16string::npos);
        EXPECT_NE(step.Source, u"DPINST.LOG");
    }
}

TEST(CollectionPlan, HostsFromWindowsDirectoryWithOrWithoutBackslash) {
    TPlanRoots roots = SampleRoots();
    roots.WindowsDir = u"C:\\Windows\\";
    const auto plan = BuildCollectionPlan(roots, kJan31);
    ASSERT_FALSE(plan.empty());
    EXPECT_EQ(plan.front().Source, u"C:\\Windows\\System32\\drivers\\etc\\hosts");
    EXPECT_EQ(plan.front().Member, u"Hosts");
}

TEST(CollectionPlan, MemoryManagerTextFilesKeepTheirOwnNames) {
    PlanRun run;
    const std::u16string a = SampleRoots().App;
    run.fs.AddFolder(a, {u"x_plenvia_memorymanager_1.txt", u"readme.txt",
                         u"Plenvia_MemoryManager.log", u"PLENVIA_MEMORYMANAGER_2.TXT"});
    run.Execute(SampleRoots());
    EXPECT_EQ(run.Members(),
              (Paths{u"PLENVIA_MEMORYMANAGER_2.TXT", u"x_plenvia_memorymanager_1.txt"}));
}

TEST(CollectionPlan, CrashDumpUnderItsFileName) {
    PlanRun run;
    run.runner.CrashDump = u"C:\\Windows\\Minidump\\013124-01.dmp";
    run.fs.Files.insert(run.runner.CrashDump);
    run.Execute(SampleRoots());
    EXPECT_EQ(run.Members(), Paths{u"013124-01.dmp"});
    EXPECT_LT(run.IndexOf(u"<PingHosts>"), run.IndexOf(u"013124-01.dmp"));
    EXPECT_LT(run.IndexOf(u"013124-01.dmp"), run.IndexOf(u"<MemoryDumpList>"));
}

TEST(CollectionPlan, ThrowingWriterLeavesTheRestOfThePlan) {
    PlanRun run;
    run.fs.EveryFileExists = true;
    run.runner.Throws = PlanAction::SystemInfo;
    run.Execute(SampleRoots());
    // The report an earlier run left is still collected; later writers still run.
    EXPECT_NE(run.IndexOf(u"SystemInfo.txt"), run.job.MemberNames.size());
    EXPECT_NE(run.IndexOf(u"<DeviceList>"), run.job.MemberNames.size());
    EXPECT_NE(run.IndexOf(u"AppData\\Vault.ini"), run.job.MemberNames.size());
}

TEST(CollectionPlan, ThrowingQueryLeavesTheRestOfThePlan) {
    PlanRun run;
    run.fs.EveryFileExists = true;
    run.runner.Throws = PlanAction::CrashDump;
    run.Execute(SampleRoots());
    EXPECT_NE(run.IndexOf(u"MEMORYDMP.txt"), run.job.MemberNames.size());
}

TEST(CollectionPlan, ReleasesEditionsAndPrunesLast) {
    PlanRun run;
    run.fs.Files.insert(kU + u"Prefs.ini");
    run.Execute(SampleRoots());
    EXPECT_TRUE(run.job.EditionPaths.empty());
    EXPECT_EQ(run.Members(), Paths{u"AppData\\Prefs.ini"});
    EXPECT_EQ(run.job.SourceFiles.size(), run.job.MemberNames.size());
}

struct TagCase {
    const char* label;
    std::u16string folder;
    std::u16string tag; // empty: no edition
};

class EditionTag : public testing::TestWithParam<TagCase> {};

TEST_P(EditionTag, FirstMatchingTestWins) {
    const auto tag = EditionTagOf(GetParam().folder);
    if (GetParam().tag.empty()) {
        EXPECT_FALSE(tag.has_value());
        return;
    }
    ASSERT_TRUE(tag.has_value());
    EXPECT_EQ(tag->Tag, GetParam().tag);
    EXPECT_EQ(tag->CrashMember, u"bugreport_" + LowerAscii(GetParam().tag) + u".txt");
}

INSTANTIATE_TEST_SUITE_P(
    Folders, EditionTag,
    testing::Values(TagCase{"LastNamePlenvia", u"D:\\Lumen\\common\\Plenvia\\", u"Lumen3"},
                    TagCase{"LastNameCaseIgnored", u"D:\\Lumen\\common\\PLENVIA\\", u"Lumen3"},
                    TagCase{"NoTrailingBackslash", u"D:\\Lumen\\common\\Plenvia", u"Lumen3"},
                    TagCase{"LastNamePlenvia4", u"D:\\Lumen\\common\\plenvia 4\\", u"Lumen4"},
                    TagCase{"Plenvia5AnywhereInPath", u"D:\\Apps\\PLENVIA 5 Beta\\", u"Lumen5"},
                    TagCase{"Plenvia5InParent", u"D:\\Plenvia 5\\bin\\", u"Lumen5"},
                    TagCase{"LastNameBeatsContains", u"D:\\Plenvia 5\\Plenvia\\", u"Lumen3"},
                    TagCase{"ForLumen", u"D:\\Lumen\\Plenvia for Lumen\\", u"Lumen"},
                    TagCase{"Plenvia4NotLastName", u"D:\\Plenvia 4\\x\\", u""},
                    TagCase{"Unrelated", u"D:\\Lumen\\common\\Unrelated\\", u""},
                    TagCase{"NoSpace", u"D:\\Plenvia5\\", u""}),
    [](const testing::TestParamInfo<TagCase>& info) { return std::string(info.param.label); });

TEST(CollectionPlan, EditionStepsFollowTheFourPasses) {
    PlanRun run;
    run.fs.EveryFileExists = true;
    run.Execute(SampleRoots());
    const Paths m = run.Members();
    auto pos = [&](const std::u16string& name) {
        return static_cast<size_t>(std::find(m.begin(), m.end(), name) - m.begin());
    };
    const size_t n = m.size();
    // Pass 1: crash reports right after the beta's Surge.ini.
    ASSERT_LT(pos(u"bugreport_lumen5.txt"), n);
    EXPECT_EQ(pos(u"bugreport_lumen3.txt") + 1, pos(u"bugreport_lumen5.txt"));
    EXPECT_EQ(pos(u"AppPath_Beta\\Surge\\Surge.ini") + 1, pos(u"bugreport_lumen3.txt"));
    // Pass 2 between the beta's InnoSetup.log and its Refresh.ini.
    EXPECT_EQ(pos(u"AppPath_Beta\\InnoSetup.log") + 1, pos(u"AppPath_Lumen3\\InnoSetup.log"));
    EXPECT_EQ(pos(u"AppPath_Lumen5\\Refresh\\gratis.ini") + 1,
              pos(u"AppPath_Beta\\Refresh\\Refresh.ini"));
    // Pass 4 after the beta's probe data, before the Windows folder's logs.
    EXPECT_EQ(pos(u"AppPath_beta\\ProbeData\\GfxPatch.ini") + 1,
              pos(u"AppPath_Lumen3\\ProbeData\\lookup-pro.dat"));
    EXPECT_EQ(pos(u"AppPath_Lumen5\\ProbeData\\GfxPatch.ini") + 2,
              pos(u"AppData\\Logs\\Install\\setupapi.dev.log"));
    for (const auto& member : m) {
        EXPECT_EQ(member.find(u"Unrelated"), std::u16string::npos);
    }
}

// The whole member order for one sample machine on which every file exists and every listed
// folder holds two files. The expected list is kept as data so a change of order shows as a diff.
TEST(CollectionPlan, FullOrderMatchesReference) {
    PlanRun run;
    run.fs.EveryFileExists = true;
    const TPlanRoots roots = SampleRoots();
    for (const std::u16string& folder :
         {kLogs + u"Scheduler\\", kLogs + u"Down\\", kLogs + u"Fix\\", kLogs + u"Offline\\",
          kU + u"Debug\\", roots.Machine + u"Fetcher\\", roots.App + u"LocalStore\\",
          roots.App + u"ProbeData\\", roots.Beta + u"LocalStore\\",
          roots.Editions[0] + u"LocalStore\\", roots.Editions[1] + u"LocalStore\\"}) {
        run.fs.AddFolder(folder, {u"first.log", u"first.ini", u"first.cfg", u"second.log",
                                  u"second.ini", u"second.cfg"});
    }
    run.fs.AddFolder(roots.App, {u"Plenvia_MemoryManager_a.txt", u"b.txt"});
    run.Execute(roots);

    std::ostringstream actual;
    for (size_t i = 0; i < run.job.MemberNames.size(); ++i) {
        actual << ToUtf8(run.job.MemberNames[i]) << '\t' << ToUtf8(run.job.SourceFiles[i]) << '\n';
    }
    const std::string path = std::string(PV_TEST_DATA_DIR) + "/plan_20240131.txt";
    if (std::getenv("PV_UPDATE_PLAN_REFERENCE") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual.str();
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual.str(), expected.str());
}

} // namespace
} // namespace pv
