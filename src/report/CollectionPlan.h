#pragma once
// The collection plan: which files go into the archive, in which order, under which member names.
// Built as a plain list of steps from the folders and today's date, then executed against the
// job's lists; the report writers it runs are reached through IPlanRunner.
#include "platform/Calendar.h"
#include "report/Collection.h"
#include <optional>
#include <string>
#include <vector>

namespace pv {

// Folder values (ending in a backslash, or empty when unknown). A step rooted at an empty folder
// is skipped: its relative path would resolve against the current folder.
struct TPlanRoots {
    std::u16string User;       // per-user product folder
    std::u16string Machine;    // machine-wide product folder
    std::u16string CommonData; // machine-wide application-data folder
    std::u16string App;        // main edition's installation folder
    std::u16string Beta;       // beta edition's installation folder
    std::vector<std::u16string> Editions;
    std::u16string WindowsDir;    // from GetWindowsDirectoryW (step of the hosts file)
    std::u16string WindowsFolder; // from the shell's Windows folder (driver-installation logs)
};

// `date` minus `days` days, on the proleptic Gregorian calendar.
CivilDate SubtractDays(CivilDate date, int days);
// "yyyymmdd".
std::u16string FormatDateStamp(CivilDate date);

struct TEditionTag {
    std::u16string Tag;         // "Lumen3", "Lumen4", "Lumen5" or "Lumen"
    std::u16string CrashMember; // "bugreport_lumen3.txt" ...
};
// Tag of a games-store edition folder; none when the folder matches no edition.
std::optional<TEditionTag> EditionTagOf(std::u16string_view folder);

enum class PlanAction {
    PingHosts,
    CrashDump, // query: the newest crash dump's path, or empty
    MemoryDumpList,
    RegistryDump,
    NetInfo,
    SystemInfo,
    DeviceList,
    FileLists,
    SurgeLogs,
    BackupLogs,
    BackupIndexIni,  // query
    BackupIndexJson, // query
    ReleaseEditions,
    PruneMissing,
};

enum class StepKind {
    Always,    // AddItem(Source, Member)
    IfPresent, // AddItemIfExists(Source, Member)
    Folder,    // ListFolder(Source, Extension), names containing NameFilter when it is not empty;
               // each as Member (a prefix) + its file name
    Run,       // a report writer or a job action
    AddQueried // AddItem(result of the query Action, Member); Member empty: the result's file
               // name; an empty result adds nothing
};

struct TPlanStep {
    StepKind Kind = StepKind::Always;
    std::u16string Source;
    std::u16string Member;
    std::u16string Extension;
    std::u16string NameFilter;
    PlanAction Action = PlanAction::PruneMissing;
};

std::vector<TPlanStep> BuildCollectionPlan(const TPlanRoots& roots, CivilDate today);

class IPlanRunner {
public:
    virtual ~IPlanRunner() = default;
    virtual void Run(PlanAction action, TCollection& job) = 0;
    virtual std::u16string Query(PlanAction action) = 0;
};

// Executes the steps in order. Each step is guarded: one that throws contributes what it added
// before the throw and the plan goes on with the next step.
void ExecuteCollectionPlan(const std::vector<TPlanStep>& plan, TCollection& job,
                           IPlanRunner& runner);

} // namespace pv
