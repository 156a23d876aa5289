#include "app/PrivacyLink.h"
#include "platform/PathRules.h"
#include "platform/Text.h"

namespace pv {

namespace {

// The folder above `folder`; `folder` itself at a drive root.
std::u16string ParentFolder(const std::u16string& folder) {
    std::u16string trimmed = folder;
    while (!trimmed.empty() && trimmed.back() == u'\\') {
        trimmed.pop_back();
    }
    if (trimmed.empty() || trimmed.back() == u':') {
        return folder;
    }
    return FolderPart(trimmed);
}

} // namespace

std::vector<std::u16string> LinkOpenerSearchFolders(const std::u16string& exeFolder) {
    std::vector<std::u16string> folders;
    std::u16string current = WithTrailingBackslash(exeFolder);
    while (!current.empty()) {
        folders.push_back(current);
        const std::u16string parent = ParentFolder(current);
        if (parent.size() >= current.size()) {
            break;
        }
        current = parent;
    }
    return folders;
}

bool IsProtectedFolder(const std::u16string& folder,
                       const std::vector<std::u16string>& protectedRoots) {
    if (!IsPlainAbsolutePath(folder)) {
        return false;
    }
    for (const auto& root : protectedRoots) {
        if (IsPlainAbsolutePath(root) && FolderChain(root).size() > 1 &&
            IsPathUnder(folder, root)) {
            return true;
        }
    }
    return false;
}

std::u16string LinkOpenerCommandLine(const std::u16string& openerPath,
                                     const std::u16string& address) {
    std::u16string quoted;
    for (char16_t c : openerPath) {
        quoted += c;
        if (c == u'"') {
            quoted += c;
        }
    }
    return u"\"" + quoted + u"\"" + u" /openurl " + u" /url=\"" + address + u"\"";
}

bool DefaultBrowserUsable(const BrowserFacts& facts) {
    bool usable = false;
    // The minor figure is tested on its own, so 10.0 takes this branch as well.
    if (facts.Major < 6 || facts.Minor < 2) {
        usable = true;
    } else if (!facts.UserChoiceProgId.empty() && !facts.UserChoiceHash.empty()) {
        usable = !facts.OpenCommand.empty();
    }
    if (usable && facts.Major >= 10 && facts.Build >= 10586) {
        usable = !facts.BlockerInstalled;
    }
    return usable;
}

std::vector<ShellOpenStep> PlanBrowserOpen(const std::u16string& address, bool defaultUsable,
                                           uint32_t major,
                                           const std::u16string& programFilesFolder) {
    std::vector<ShellOpenStep> steps;
    if (Trim(address).empty()) {
        return steps;
    }
    if (defaultUsable) {
        steps.push_back({address, {}, false});
    }
    if (major >= 10) {
        steps.push_back({u"microsoft-edge:" + address, {}, false});
    }
    if (!programFilesFolder.empty()) {
        steps.push_back(
            {WithTrailingBackslash(programFilesFolder) + u"Internet Explorer\\iexplore.exe",
             address, true});
    }
    return steps;
}

} // namespace pv
