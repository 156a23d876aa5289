#include "report/MemoryDumpList.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Wow64View.h"
#include "product/AppConfig.h"
#include "report/SizeText.h"
#include "report/win32/FileTimeOf.h"
#include "report/win32/LogFolderFile.h"
#include "report/win32/ReportWriters.h"
#include "sysinfo/AppFuncs.h"
#include "sysinfo/BSOD.h"

namespace pv {

double FileTimeOf(const std::u16string& path, FileTimeKind which) {
    WIN32_FIND_DATAW found{};
    const UniqueFind search(::FindFirstFileW(W(PathIn32BitView(path)), &found));
    if (!search) {
        return 0;
    }
    const FILETIME utc = which == FileTimeKind::Creation    ? found.ftCreationTime
                         : which == FileTimeKind::LastWrite ? found.ftLastWriteTime
                                                            : found.ftLastAccessTime;
    FILETIME local{};
    WORD dosDate = 0;
    WORD dosTime = 0;
    if (!::FileTimeToLocalFileTime(&utc, &local) ||
        !::FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
        return 0;
    }
    return DosDateTimeToValue(dosDate, dosTime);
}

namespace {

DumpFileFacts FactsOf(const std::u16string& path) {
    return DumpFactsOf(
        path, GetFileSizeSafe(path), [&](FileTimeKind kind) { return FileTimeOf(path, kind); },
        [](double value) { return DateText(value); });
}

} // namespace

void WriteMemoryDumpList(TFeedback&) {
    double crashTime = 0;
    std::u16string fullDumpPath;
    std::vector<std::u16string> minidumpPaths;
    FindCrashDumps(crashTime, fullDumpPath, minidumpPaths);

    std::vector<DumpFileFacts> minidumps;
    for (const auto& path : minidumpPaths) {
        minidumps.push_back(FactsOf(path));
    }
    std::optional<DumpFileFacts> fullDump;
    if (!fullDumpPath.empty() && PlainFileExists(PathIn32BitView(fullDumpPath))) {
        fullDump = FactsOf(fullDumpPath);
    }
    const ReportText report = MemoryDumpLines(minidumps, fullDump, UserNumberSeparators().Decimal);

    const std::u16string target = LogFolderFile(u"MEMORYDMP.txt");
    if (target.empty()) {
        return;
    }
    DeleteReportFile(target);
    if (!report.Empty()) {
        WriteReportFile(target, report.Bytes());
    }
}

} // namespace pv
