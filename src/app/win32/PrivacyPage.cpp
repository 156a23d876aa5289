#include "app/win32/PrivacyPage.h"
#include "app/PrivacyLink.h"
#include "app/RegistryViews.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Wow64View.h"
#include <shellapi.h>
#include <shlobj.h>
#include <vector>

namespace pv {

namespace {

// Folder of the running executable, ending in a backslash; empty on failure.
std::u16string ExeFolder() {
    std::u16string buffer(MAX_PATH, u'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD len =
            ::GetModuleFileNameW(nullptr, W(buffer.data()), static_cast<DWORD>(buffer.size()));
        if (len == 0) {
            return {};
        }
        if (len < buffer.size()) {
            buffer.resize(len);
            return FolderPart(buffer);
        }
        buffer.assign(buffer.size() * 2, u'\0');
    }
    return {};
}

// Roots only an administrator can write to. Taken from the machine hive rather than from the
// environment, which the user can change.
std::vector<std::u16string> ProtectedRoots() {
    constexpr char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    std::vector<std::u16string> roots;
    for (const RegistryView view : kProtectedRootViews) {
        for (const char16_t* name : {u"ProgramFilesDir", u"ProgramFilesDir (x86)"}) {
            std::u16string root = RegReadString(HKEY_LOCAL_MACHINE, kCurrentVersion, name, view);
            if (!root.empty()) {
                roots.push_back(std::move(root));
            }
        }
    }
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT len = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (len > 0 && len < MAX_PATH) {
        roots.push_back(U16(windows));
    }
    return roots;
}

// The nearest link opener above this program that sits in a protected folder; empty when none.
// A copy in a folder the user can write is passed over, and the search goes on upward.
std::u16string FindLinkOpener() {
    const std::u16string exeFolder = ExeFolder();
    if (exeFolder.empty()) {
        return {};
    }
    const std::vector<std::u16string> roots = ProtectedRoots();
    for (const auto& folder : LinkOpenerSearchFolders(exeFolder)) {
        const std::u16string candidate = folder + kLinkOpenerName;
        if (PlainFileExists(candidate) && IsProtectedFolder(folder, roots)) {
            return candidate;
        }
    }
    return {};
}

bool StartLinkOpener(const std::u16string& opener, const std::u16string& address) {
    std::u16string commandLine = LinkOpenerCommandLine(opener, address);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The application name is the path found, so the command line cannot select another program.
    if (!::CreateProcessW(W(opener), W(commandLine.data()), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        return false;
    }
    UniqueHandle thread(process.hThread);
    UniqueHandle child(process.hProcess);
    return true;
}

BrowserFacts GatherBrowserFacts() {
    BrowserFacts facts;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (::GetVersionExW(&version)) {
        facts.Major = version.dwMajorVersion;
        facts.Minor = version.dwMinorVersion;
        facts.Build = version.dwBuildNumber;
    }
    constexpr char16_t kUserChoice[] =
        u"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
    facts.UserChoiceProgId =
        RegReadString(HKEY_CURRENT_USER, kUserChoice, u"ProgId", kBrowserFactsView);
    facts.UserChoiceHash =
        RegReadString(HKEY_CURRENT_USER, kUserChoice, u"Hash", kBrowserFactsView);
    if (!facts.UserChoiceProgId.empty()) {
        facts.OpenCommand =
            RegReadString(HKEY_CLASSES_ROOT, facts.UserChoiceProgId + u"\\shell\\open\\command",
                          u"", kBrowserFactsView);
    }
    constexpr char16_t kUninstall[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    for (const char16_t* name : {u"360TotalSecurity", u"MPC AdCleaner", u"MPC"}) {
        if (RegKeyExists(HKEY_LOCAL_MACHINE, kUninstall + std::u16string(name),
                         kBrowserFactsView)) {
            facts.BlockerInstalled = true;
        }
    }
    return facts;
}

// The Program Files folder the 32-bit exe gets: the x86 one on 64-bit Windows, whichever build
// asks.
std::u16string ProgramFilesFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CsidlIn32BitView(CSIDL_PROGRAM_FILES), FALSE)) {
        return {};
    }
    return WithTrailingBackslash(U16(buffer));
}

bool OpenInBrowser(const std::u16string& address) {
    const BrowserFacts facts = GatherBrowserFacts();
    for (const auto& step :
         PlanBrowserOpen(address, DefaultBrowserUsable(facts), facts.Major, ProgramFilesFolder())) {
        if (step.MustExist && !PlainFileExists(step.File)) {
            continue;
        }
        const HINSTANCE result = ::ShellExecuteW(
            nullptr, L"open", W(step.File), step.Parameters.empty() ? nullptr : W(step.Parameters),
            nullptr, SW_SHOWNORMAL);
        if (reinterpret_cast<INT_PTR>(result) > 32) {
            return true;
        }
    }
    return false;
}

} // namespace

bool rd1LinkItems0Click() {
    const std::u16string address = kPrivacyAddress;
    const std::u16string opener = FindLinkOpener();
    if (!opener.empty()) {
        // Once the opener is found the browser route is not tried, even if the start fails.
        return StartLinkOpener(opener, address);
    }
    return OpenInBrowser(address);
}

} // namespace pv
