#include "report/win32/Feedback.h"
#include "devices/uDeviceInfo.h"
#include "platform/Text.h"
#include "product/AppConfig.h"
#include "report/CollectionPlan.h"
#include "report/win32/JobFileSystem.h"
#include "report/win32/Packing.h"
#include "report/win32/ReportWriters.h"
#include "sysinfo/BSOD.h"
#include "sysinfo/SysInfo.h"
#include <shlobj.h>
#include <thread>

namespace pv {
namespace {

// The report writers behind the plan's run steps.
class TWriterRunner final : public IPlanRunner {
public:
    void Run(PlanAction action, TCollection& base) override {
        auto& job = static_cast<TFeedback&>(base);
        switch (action) {
        case PlanAction::PingHosts:
            WritePingHosts(job);
            break;
        case PlanAction::MemoryDumpList:
            WriteMemoryDumpList(job);
            break;
        case PlanAction::RegistryDump:
            WriteRegistryDump(job);
            break;
        case PlanAction::NetInfo:
            WriteNetInfo(job);
            break;
        case PlanAction::SystemInfo:
            WriteSystemInfo(LogFolder());
            break;
        case PlanAction::DeviceList:
            WriteDeviceList(LogFolder());
            break;
        case PlanAction::FileLists:
            WriteFileLists(job);
            break;
        case PlanAction::SurgeLogs:
            AddSurgeLogs(job);
            break;
        case PlanAction::BackupLogs:
            AddBackupLogs(job);
            break;
        default:
            break;
        }
    }

    std::u16string Query(PlanAction action) override {
        switch (action) {
        case PlanAction::CrashDump: {
            const std::vector<std::u16string> dumps = FindCrashDumps();
            return dumps.empty() ? std::u16string() : dumps.front();
        }
        case PlanAction::BackupIndexIni:
            return BackupIndexIni();
        case PlanAction::BackupIndexJson:
            return BackupIndexJson();
        default:
            return {};
        }
    }
};

std::u16string WindowsDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    return length == 0 || length > MAX_PATH ? std::u16string() : U16(buffer, length);
}

std::u16string ShellWindowsFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_WINDOWS, FALSE)) {
        return {};
    }
    return WithTrailingBackslash(U16(buffer));
}

CivilDate LocalToday() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

} // namespace

TFeedback::TFeedback(const std::u16string& archivePath) : TCollection(Win32JobFileSystem()) {
    RefreshProductFolders();
    AppPath = MainInstallFolder();
    BetaPath = BetaInstallFolder();
    if (!BetaPath.empty() && !FileSystem().FolderExists(BetaPath)) {
        BetaPath.clear();
    }
    EditionPaths = EditionFolders();
    ArchivePath = archivePath;
}

void TFeedback::Execute(TJobState& state) noexcept {
    try {
        TPlanRoots roots;
        roots.User = UserProductFolder();
        roots.Machine = CommonProductFolder();
        roots.CommonData = CommonAppDataDir();
        roots.App = AppPath;
        roots.Beta = BetaPath;
        roots.Editions = EditionPaths;
        roots.WindowsDir = WindowsDirectory();
        roots.WindowsFolder = ShellWindowsFolder();
        TWriterRunner runner;
        ExecuteCollectionPlan(BuildCollectionPlan(roots, LocalToday()), *this, runner);
    } catch (...) {
        // Whatever was collected before the failure is still packed.
        try {
            PruneMissing();
        } catch (...) {
            SourceFiles.clear();
            MemberNames.clear();
        }
    }
    state.ArchiveSaved = PackArchive(*this, state.Placement);
}

std::shared_ptr<TJobState> StartFeedback(const std::u16string& archivePath) {
    auto state = std::make_shared<TJobState>();
    try {
        auto job = std::make_unique<TFeedback>(archivePath);
        std::thread worker([job = job.get(), state]() noexcept {
            job->Execute(*state);
            delete job;
            state->Finished = true;
        });
        job.release();
        worker.detach();
    } catch (...) {
        // No worker: the job is over before it started, without an archive.
        state->Finished = true;
    }
    return state;
}

} // namespace pv
