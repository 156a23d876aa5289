#include "report/CollectionPlan.h"
#include "platform/Text.h"

namespace pv {
namespace {

std::u16string Digits(int value, size_t width) {
    std::u16string text = ToText(value);
    while (text.size() < width) {
        text.insert(text.begin(), u'0');
    }
    return text;
}

constexpr int kDailyLogDays = 31;

// Appends steps; every source is a root plus a relative path, and a step whose root is empty is
// left out.
class TPlanBuilder {
public:
    explicit TPlanBuilder(std::vector<TPlanStep>& steps) : steps_(steps) {}

    void Always(const std::u16string& root, std::u16string_view rel, std::u16string_view member) {
        Add(StepKind::Always, root, rel, member);
    }
    void IfPresent(const std::u16string& root, std::u16string_view rel,
                   std::u16string_view member) {
        Add(StepKind::IfPresent, root, rel, member);
    }
    void Folder(const std::u16string& root, std::u16string_view rel, std::u16string_view ext,
                std::u16string_view prefix, std::u16string_view nameFilter = {}) {
        if (root.empty()) {
            return;
        }
        TPlanStep step;
        step.Kind = StepKind::Folder;
        step.Source = root + std::u16string(rel);
        step.Member = prefix;
        step.Extension = ext;
        step.NameFilter = nameFilter;
        steps_.push_back(std::move(step));
    }
    void Run(PlanAction action) {
        TPlanStep step;
        step.Kind = StepKind::Run;
        step.Action = action;
        steps_.push_back(std::move(step));
    }
    void Queried(PlanAction action, std::u16string_view member) {
        TPlanStep step;
        step.Kind = StepKind::AddQueried;
        step.Action = action;
        step.Member = member;
        steps_.push_back(std::move(step));
    }

private:
    void Add(StepKind kind, const std::u16string& root, std::u16string_view rel,
             std::u16string_view member) {
        if (root.empty()) {
            return;
        }
        TPlanStep step;
        step.Kind = kind;
        step.Source = root + std::u16string(rel);
        step.Member = member;
        steps_.push_back(std::move(step));
    }

    std::vector<TPlanStep>& steps_;
};

std::u16string WithoutTrailingBackslash(std::u16string text) {
    while (!text.empty() && text.back() == u'\\') {
        text.pop_back();
    }
    return text;
}

} // namespace

CivilDate SubtractDays(CivilDate date, int days) {
    return CivilFromDayNumber(DayNumberFromCivil(date.Year, date.Month, date.Day) - days);
}

std::u16string FormatDateStamp(CivilDate date) {
    return Digits(date.Year, 4) + Digits(date.Month, 2) + Digits(date.Day, 2);
}

std::optional<TEditionTag> EditionTagOf(std::u16string_view folder) {
    const std::u16string last = FileNamePart(WithoutTrailingBackslash(std::u16string(folder)));
    if (EqualsIgnoreCaseAscii(last, u"Plenvia")) {
        return TEditionTag{u"Lumen3", u"bugreport_lumen3.txt"};
    }
    if (EqualsIgnoreCaseAscii(last, u"Plenvia 4")) {
        return TEditionTag{u"Lumen4", u"bugreport_lumen4.txt"};
    }
    const std::u16string upper = UpperAscii(folder);
    if (upper.find(u"PLENVIA 5") != std::u16string::npos) {
        return TEditionTag{u"Lumen5", u"bugreport_lumen5.txt"};
    }
    if (upper.find(u"PLENVIA FOR LUMEN") != std::u16string::npos) {
        return TEditionTag{u"Lumen", u"bugreport_lumen.txt"};
    }
    return std::nullopt;
}

std::vector<TPlanStep> BuildCollectionPlan(const TPlanRoots& roots, CivilDate today) {
    std::vector<TPlanStep> plan;
    TPlanBuilder b(plan);
    const std::u16string& U = roots.User;
    const std::u16string& M = roots.Machine;
    const std::u16string& C = roots.CommonData;
    const std::u16string& A = roots.App;
    const std::u16string& B = roots.Beta;
    const std::u16string W = WithTrailingBackslash(roots.WindowsFolder);
    const std::u16string L = U.empty() ? std::u16string() : U + u"Logs\\";

    std::vector<std::u16string> stamps;
    for (int d = 0; d < kDailyLogDays; ++d) {
        stamps.push_back(FormatDateStamp(SubtractDays(today, d)));
    }

    struct TTagged {
        std::u16string Folder;
        TEditionTag Tag;
    };
    std::vector<TTagged> editions;
    for (const std::u16string& e : roots.Editions) {
        if (auto tag = EditionTagOf(e)) {
            editions.push_back({WithTrailingBackslash(e), *tag});
        }
    }

    const std::u16string winDir = WithoutTrailingBackslash(roots.WindowsDir);
    if (!winDir.empty()) {
        b.Always(winDir, u"\\System32\\drivers\\etc\\hosts", u"Hosts");
    }
    b.Run(PlanAction::PingHosts);
    b.Always(L, u"PingHosts.txt", u"PingHosts.txt");
    b.Queried(PlanAction::CrashDump, u"");
    b.Run(PlanAction::MemoryDumpList);
    b.Always(L, u"MEMORYDMP.txt", u"MEMORYDMP.txt");
    b.Run(PlanAction::RegistryDump);
    b.Always(L, u"pvreg.txt", u"pvreg.txt");
    b.Run(PlanAction::NetInfo);
    b.Run(PlanAction::SystemInfo);
    b.Always(L, u"SystemInfo.txt", u"SystemInfo.txt");
    b.Run(PlanAction::DeviceList);
    b.Always(L, u"DeviceList.txt", u"DeviceList.txt");
    b.Run(PlanAction::FileLists);
    b.Always(L, u"FileList.txt", u"FileList.txt");
    b.Always(L, u"FileList_beta.txt", u"FileList_beta.txt");
    for (const char16_t* name : {u"FileList_lumen3.txt", u"FileList_lumen4.txt",
                                 u"FileList_lumen5.txt", u"FileList_lumen.txt"}) {
        b.IfPresent(L, name, name);
    }
    for (const std::u16string& d : stamps) {
        b.IfPresent(L, u"Main\\" + d + u".log", u"AppData\\Logs\\Main\\" + d + u".log");
        b.IfPresent(L, u"Main\\" + d + u"_auto.log", u"AppData\\Logs\\Main\\" + d + u"_auto.log");
    }
    b.Run(PlanAction::SurgeLogs);
    b.Run(PlanAction::BackupLogs);
    b.Always(U, u"Surge\\Scratch.ini", u"AppData\\Surge\\Scratch.ini");
    b.Always(U, u"Surge\\Surge.ini", u"AppData\\Surge\\Surge.ini");
    for (const char16_t* name : {u"QrtScan.ini", u"UnxScan.ini", u"TendScan.ini"}) {
        b.IfPresent(U, name, u"AppData\\" + std::u16string(name));
    }
    for (const char16_t* rel :
         {u"DrvSetup.log", u"DrvSetupEx.log", u"PvzInst.log", u"DrvPkgX.log", u"DPINST.LOG",
          u"Install\\PvzInst.log", u"Install\\DrvPkgX.log", u"Install\\DPINST.LOG"}) {
        b.Always(L, rel, u"AppData\\Logs\\" + std::u16string(rel));
    }
    b.Always(L, u"MiniDrvSetup.dmp", u"MiniDrvSetup.dmp");
    b.Always(U, u"Prefs.ini", u"AppData\\Prefs.ini");
    for (const std::u16string& d : stamps) {
        b.IfPresent(L, u"Scan\\" + d + u".log", u"AppData\\Logs\\Scan\\" + d + u".log");
    }
    for (const char16_t* sub : {u"Scheduler", u"Down", u"Fix", u"Offline"}) {
        b.Folder(L, sub, u".log", u"AppData\\Logs\\" + std::u16string(sub) + u"\\");
    }
    for (const char16_t* rel : {u"SelfRefresh.log", u"Scan\\parts.log", u"Applied\\Applied.log",
                                u"Applied\\Applied.ini"}) {
        b.Always(L, rel, u"AppData\\Logs\\" + std::u16string(rel));
    }
    for (const std::u16string& d : stamps) {
        b.IfPresent(L, u"Main\\" + d + u"_beta.log", u"AppData\\Logs\\Main\\" + d + u"_beta.log");
        b.IfPresent(L, u"Main\\" + d + u"_auto_beta.log",
                    u"AppData\\Logs\\Main\\" + d + u"_auto_beta.log");
    }
    b.Always(L, u"Install\\PvzInst_beta.log", u"AppData\\Logs\\Install\\PvzInst_beta.log");
    b.Always(L, u"Install\\DrvPkgX_beta.log", u"AppData\\Logs\\Install\\DrvPkgX_beta.log");
    for (const std::u16string& d : stamps) {
        b.IfPresent(L, u"Scan\\" + d + u"_beta.log", u"AppData\\Logs\\Scan\\" + d + u"_beta.log");
    }
    b.Always(L, u"Scan\\parts_beta.log", u"AppData\\Logs\\Scan\\parts_beta.log");
    b.Always(U, u"Prefs_beta.ini", u"AppData\\Prefs_beta.ini");
    b.Folder(U, u"Debug\\", u".log", u"Debug\\");
    b.Always(U, u"Skiplist.ini", u"AppData\\Skiplist.ini");
    b.Always(U, u"Skiplist_Beta.ini", u"AppData\\Skiplist_Beta.ini");

    b.Always(M, u"Prefs.ini", u"ProgramData\\Prefs.ini");
    b.Always(M, u"Logs\\Fetcher.log", u"ProgramData\\Logs\\Fetcher.log");
    b.Always(C, u"Orvix\\TndFetcher\\pv4Fetcher.log", u"ProgramData\\pv4Fetcher.log");
    b.Always(C, u"Orvix\\TndFetcher\\pv3Fetcher.log", u"ProgramData\\pv3Fetcher.log");
    b.Folder(M, u"Fetcher", u".log", u"ProgramData\\Fetcher\\");
    b.Always(M, u"Prefs_beta.ini", u"ProgramData\\Prefs_beta.ini");

    for (const char16_t* rel :
         {u"Surge\\Surge.ini", u"PvLogInfo.log", u"InnoSetup.log", u"Refresh\\Refresh.ini",
          u"Refresh\\gratis.ini", u"NoticeHub2.log"}) {
        b.Always(A, rel, u"AppPath\\" + std::u16string(rel));
    }
    b.Folder(A, u"LocalStore\\", u".ini", u"AppPath\\LocalStore\\");
    b.IfPresent(A, u"bugreport.txt", u"bugreport.txt");
    b.Folder(A, u"", u".txt", u"", u"Plenvia_MemoryManager");
    b.Always(A, u"SelfRefresh.log", u"AppPath\\SelfRefresh.log");
    for (const char16_t* rel :
         {u"ProbeData\\lookup-pro.dat", u"ProbeData\\hw-pro.dat", u"ProbeData\\lookup.dat",
          u"ProbeData\\hw.dat", u"ProbeData\\parts.dat", u"ProbeData\\tuning.ini",
          u"ProbeData\\blocked.html", u"ProbeData\\Repairs.ini", u"ProbeData\\GfxPatch.ini",
          u"Database\\Titles\\UserTitle.ini"}) {
        b.Always(A, rel, u"AppPath\\" + std::u16string(rel));
    }
    b.Folder(A, u"ProbeData\\", u".cfg", u"AppPath\\ProbeData\\");

    b.IfPresent(B, u"bugreport.txt", u"bugreport_beta.txt");
    b.Always(B, u"Surge\\Surge.ini", u"AppPath_Beta\\Surge\\Surge.ini");
    for (const TTagged& e : editions) {
        b.IfPresent(e.Folder, u"bugreport.txt", e.Tag.CrashMember);
    }
    b.Always(B, u"InnoSetup.log", u"AppPath_Beta\\InnoSetup.log");
    for (const TTagged& e : editions) {
        const std::u16string p = u"AppPath_" + e.Tag.Tag + u"\\";
        for (const char16_t* rel :
             {u"InnoSetup.log", u"Refresh\\Refresh.ini", u"Refresh\\gratis.ini"}) {
            b.Always(e.Folder, rel, p + rel);
        }
    }
    b.Always(B, u"Refresh\\Refresh.ini", u"AppPath_Beta\\Refresh\\Refresh.ini");
    b.Always(B, u"Refresh\\gratis.ini", u"AppPath_Beta\\Refresh\\gratis.ini");
    b.Folder(B, u"LocalStore\\", u".ini", u"AppPath_Beta\\LocalStore\\");
    for (const TTagged& e : editions) {
        const std::u16string p = u"AppPath_" + e.Tag.Tag + u"\\";
        b.Folder(e.Folder, u"LocalStore\\", u".ini", p + u"LocalStore\\");
        b.Always(e.Folder, u"NoticeHub2.log", p + u"NoticeHub2.log");
        b.Always(e.Folder, u"SelfRefresh.log", p + u"SelfRefresh.log");
    }
    static constexpr const char16_t* kBetaProbe[] = {
        u"ProbeData\\lookup-pro.dat", u"ProbeData\\hw-pro.dat",  u"ProbeData\\lookup.dat",
        u"ProbeData\\hw.dat",         u"ProbeData\\parts.dat",   u"ProbeData\\parts.log",
        u"ProbeData\\tuning.ini",     u"ProbeData\\Repairs.ini", u"ProbeData\\GfxPatch.ini"};
    b.Always(B, u"NoticeHub2.log", u"AppPath_beta\\NoticeHub2.log");
    b.Always(B, u"SelfRefresh.log", u"AppPath_beta\\SelfRefresh.log");
    for (const char16_t* rel : kBetaProbe) {
        b.Always(B, rel, u"AppPath_beta\\" + std::u16string(rel));
    }
    for (const TTagged& e : editions) {
        for (const char16_t* rel : kBetaProbe) {
            b.Always(e.Folder, rel, u"AppPath_" + e.Tag.Tag + u"\\" + rel);
        }
    }
    b.Run(PlanAction::ReleaseEditions);

    if (!roots.WindowsFolder.empty()) {
        b.Always(W, u"DPINST.LOG", u"AppData\\Logs\\Install\\DPINST.LOG");
        b.Always(W, u"inf\\setupapi.dev.log", u"AppData\\Logs\\Install\\setupapi.dev.log");
        b.Always(W, u"inf\\setupapi.app.log", u"AppData\\Logs\\Install\\setupapi.app.log");
    }
    b.Queried(PlanAction::BackupIndexIni, u"AppData\\Vault.ini");
    b.Queried(PlanAction::BackupIndexJson, u"AppData\\Vault.json");
    b.Run(PlanAction::PruneMissing);
    return plan;
}

void ExecuteCollectionPlan(const std::vector<TPlanStep>& plan, TCollection& job,
                           IPlanRunner& runner) {
    for (const TPlanStep& step : plan) {
        try {
            switch (step.Kind) {
            case StepKind::Always:
                job.AddItem(step.Source, step.Member);
                break;
            case StepKind::IfPresent:
                job.AddItemIfExists(step.Source, step.Member);
                break;
            case StepKind::Folder:
                for (const std::u16string& path : job.ListFolder(step.Source, step.Extension)) {
                    const std::u16string name = FileNamePart(path);
                    if (step.NameFilter.empty() || UpperAscii(name).find(UpperAscii(
                                                       step.NameFilter)) != std::u16string::npos) {
                        job.AddItem(path, step.Member + name);
                    }
                }
                break;
            case StepKind::Run:
                if (step.Action == PlanAction::ReleaseEditions) {
                    job.EditionPaths.clear();
                    job.EditionPaths.shrink_to_fit();
                } else if (step.Action == PlanAction::PruneMissing) {
                    job.PruneMissing();
                } else {
                    runner.Run(step.Action, job);
                }
                break;
            case StepKind::AddQueried: {
                const std::u16string path = runner.Query(step.Action);
                if (!path.empty()) {
                    job.AddItem(path, step.Member.empty() ? FileNamePart(path) : step.Member);
                }
                break;
            }
            }
        } catch (...) {
            // A failed step leaves its own files out; the rest of the plan still runs.
        }
    }
}

} // namespace pv
