#pragma once
// Rules of the privacy-page link: where the maker's link opener may be taken from, its command
// line, and which browser route to try. The Win32 side (app/win32/PrivacyPage.h) only gathers
// facts and makes the calls.
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

inline constexpr char16_t kPrivacyAddress[] = u"https://www.orvix.com/en/privacy.php";
inline constexpr char16_t kLinkOpenerName[] = u"Sorrel.exe";

// The folders searched for the link opener: `exeFolder` (ending in a backslash) and each parent
// up to the drive root, nearest first. Stops when the parent is no shorter than the folder.
std::vector<std::u16string> LinkOpenerSearchFolders(const std::u16string& exeFolder);

// The tool runs elevated, so it starts the link opener only from a folder an unelevated user
// cannot write: one under a protected root (the Program Files folders, the Windows folder). A
// folder that is not a plain absolute path ("X:\..." or "\\server\share\..." without "." or ".."
// parts) never qualifies; empty roots are ignored.
bool IsProtectedFolder(const std::u16string& folder,
                       const std::vector<std::u16string>& protectedRoots);

// "\"<path, quotes doubled>\" /openurl  /url=\"<address>\"".
std::u16string LinkOpenerCommandLine(const std::u16string& openerPath,
                                     const std::u16string& address);

// What the browser decision looks at. Registry facts come from the current user's hive / the
// classes root / the local machine hive (32-bit view).
struct BrowserFacts {
    uint32_t Major = 0;
    uint32_t Minor = 0;
    uint32_t Build = 0;
    std::u16string UserChoiceProgId; // ...\UrlAssociations\http\UserChoice "ProgId"
    std::u16string UserChoiceHash;   // ...\UrlAssociations\http\UserChoice "Hash"
    std::u16string OpenCommand;      // default value of "<ProgId>\shell\open\command"
    bool BlockerInstalled = false;   // one of the uninstall keys that spoil the default browser
};

// Whether the address may be handed to the default browser.
bool DefaultBrowserUsable(const BrowserFacts& facts);

// One ShellExecuteW "open" attempt: file, parameters; `MustExist` = try only when the file exists.
struct ShellOpenStep {
    std::u16string File;
    std::u16string Parameters;
    bool MustExist = false;
    bool operator==(const ShellOpenStep&) const = default;
};

// The attempts in order, each tried only when the ones before failed: the default browser when
// usable, Edge from Windows 10 on, then Internet Explorer at `programFilesFolder` (ending in a
// backslash; no step when empty). No step for a blank address.
std::vector<ShellOpenStep> PlanBrowserOpen(const std::u16string& address, bool defaultUsable,
                                           uint32_t major,
                                           const std::u16string& programFilesFolder);

} // namespace pv
