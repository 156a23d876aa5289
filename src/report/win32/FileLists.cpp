#include "platform/ReportText.h"
#include "platform/Text.h"
#include "platform/TrustedRoots.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Md5.h"
#include "platform/win32/ResolvedRoots.h"
#include "platform/win32/Wow64View.h"
#include "product/AppConfig.h"
#include "report/FileListing.h"
#include "report/win32/DriverFolders.h"
#include "report/win32/Feedback.h"
#include "report/win32/ReportWriters.h"
#include "sysinfo/AppFuncs.h"

namespace pv {

namespace {

// The user's locale, ignoring case, as the host product's own sorted lists compare paths.
int ComparePaths(const std::u16string& a, const std::u16string& b) {
    const int result =
        ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, W(a), static_cast<int>(a.size()),
                         W(b), static_cast<int>(b.size()));
    if (result == 0) {
        return ::lstrcmpiW(W(a), W(b));
    }
    return result - CSTR_EQUAL;
}

// A listing walk that enters a junction or directory link when EntersLinkedFolder allows it:
// an installation folder may keep part of its files behind one that leads into another trusted
// root.
struct LinkedWalk {
    TrustedRoots Roots;
    std::u16string TreeFinal;
    std::vector<std::u16string> Entered;
};

bool SearchEnteringLinks(void* context, const std::u16string& folder, const std::u16string& mask,
                         std::vector<FolderEntry>& entries) {
    auto& walk = *static_cast<LinkedWalk*>(context);
    const size_t first = entries.size();
    if (!SearchFolder(nullptr, folder, mask, entries)) {
        return false;
    }
    for (size_t i = first; i < entries.size(); ++i) {
        FolderEntry& entry = entries[i];
        if (entry.IsFolder && entry.IsLink && entry.Name != u"." && entry.Name != u"..") {
            const std::u16string target = ResolveFolder(PathIn32BitView(folder + entry.Name));
            if (EntersLinkedFolder(walk.Roots, target, walk.TreeFinal, walk.Entered)) {
                walk.Entered.push_back(target);
                entry.IsLink = false;
            }
        }
    }
    return true;
}

std::vector<std::u16string> FilesOf(const std::u16string& folder, bool recurse) {
    std::vector<std::u16string> files;
    if (folder.empty()) {
        return files;
    }
    if (!recurse) {
        ListFolderFiles(files, folder, u"*.*", nullptr, false);
        return files;
    }
    TrustFolder(PathIn32BitView(folder));
    LinkedWalk walk{ProcessTrustedRoots(), ResolveFolder(PathIn32BitView(folder)), {}};
    WalkFolderFiles(files, folder, FolderExists(PathIn32BitView(folder)), u"*.*", nullptr, true,
                    &SearchEnteringLinks, &walk);
    return files;
}

// The lines of one listing of `installFolder` with the shared download and backup folders.
ReportText ListingOf(const std::u16string& installFolder, bool digestShared) {
    const auto entries =
        GatherListing(FilesOf(installFolder, true), FilesOf(DownloadFolder(), false),
                      FilesOf(FolderPart(BackupIndexIni()), false), digestShared, ComparePaths);
    ReportText report;
    for (const auto& entry : entries) {
        report.Add(FileListLine(entry.Path, GetFileSizeSafe(entry.Path),
                                GetFileVersionText(entry.Path, 4),
                                entry.Digest ? FileMd5Text(entry.Path) : std::u16string()));
    }
    return report;
}

// An edition or beta listing: replaced when the folder exists, removed otherwise.
void ReplaceListing(const std::u16string& installFolder, const std::u16string& target) {
    if (!installFolder.empty() && FolderExists(PathIn32BitView(installFolder))) {
        const ReportText report = ListingOf(installFolder, true);
        DeleteReportFile(target);
        if (!report.Empty()) {
            ForceFolder(FolderPart(target));
            WriteReportFile(target, report.Bytes());
        }
    } else {
        DeleteReportFile(target);
    }
}

} // namespace

void WriteFileLists(TFeedback& job) {
    const std::u16string logFolder = LogFolder();
    if (logFolder.empty()) {
        return;
    }
    // The main listing digests only the installation folder's own files.
    const ReportText main = ListingOf(job.AppPath, false);
    if (!FolderExists(logFolder)) {
        ForceFolder(logFolder);
    }
    WriteReportFile(logFolder + u"FileList.txt", main.Bytes());

    ReplaceListing(job.BetaPath, logFolder + u"FileList_beta.txt");

    for (const auto& edition : job.EditionPaths) {
        const std::u16string name = EditionListingName(edition);
        if (!name.empty()) {
            ReplaceListing(edition, logFolder + name);
        }
    }
}

} // namespace pv
