#include "app/PrivacyLink.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(LinkOpenerSearch, FromExeFolderUpToTheDriveRoot) {
    const std::vector<std::u16string> expected = {u"C:\\Program Files\\Orvix\\Tools\\",
                                                  u"C:\\Program Files\\Orvix\\",
                                                  u"C:\\Program Files\\", u"C:\\"};
    EXPECT_EQ(LinkOpenerSearchFolders(u"C:\\Program Files\\Orvix\\Tools\\"), expected);
    EXPECT_EQ(LinkOpenerSearchFolders(u"C:\\Program Files\\Orvix\\Tools"), expected);
}

TEST(LinkOpenerSearch, RootAloneAndEmpty) {
    EXPECT_EQ(LinkOpenerSearchFolders(u"D:\\"), std::vector<std::u16string>{u"D:\\"});
    EXPECT_TRUE(LinkOpenerSearchFolders(u"").empty());
}

// Elevated, the opener is started only from a folder the unelevated user cannot write.
struct FolderCase {
    const char* Name;
    std::u16string Folder;
    bool Protected;
};

class LinkOpenerFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(LinkOpenerFolder, ProtectedOnlyUnderAnAdminRoot) {
    const std::vector<std::u16string> roots = {u"C:\\Program Files", u"C:\\Program Files (x86)\\",
                                               u"C:\\Windows", u"", u"C:\\"};
    EXPECT_EQ(IsProtectedFolder(GetParam().Folder, roots), GetParam().Protected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkOpenerFolder,
    testing::Values(FolderCase{"ProgramFiles", u"C:\\Program Files\\Orvix\\", true},
                    FolderCase{"ProgramFilesX86", u"c:\\program files (x86)\\Orvix\\Plenvia\\",
                               true},
                    FolderCase{"RootItself", u"C:\\Program Files\\", true},
                    FolderCase{"Windows", u"C:\\Windows\\System32\\", true},
                    FolderCase{"SiblingWithPrefixName", u"C:\\Program Files Evil\\", false},
                    FolderCase{"DotDotEscape", u"C:\\Program Files\\..\\Users\\u\\", false},
                    FolderCase{"UserFolder", u"C:\\Users\\u\\Downloads\\", false},
                    FolderCase{"DriveRootNeverCounts", u"C:\\", false},
                    FolderCase{"OtherDrive", u"D:\\Program Files\\", false},
                    FolderCase{"UncShare", u"\\\\server\\share\\Program Files\\", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LinkOpenerCommandLine, ExactBytes) {
    EXPECT_EQ(LinkOpenerCommandLine(u"C:\\Program Files\\Orvix\\Sorrel.exe",
                                    u"https://www.orvix.com/en/privacy.php"),
              u"\"C:\\Program Files\\Orvix\\Sorrel.exe\" /openurl  "
              u"/url=\"https://www.orvix.com/en/privacy.php\"");
}

TEST(LinkOpenerCommandLine, QuoteInPathDoubled) {
    EXPECT_EQ(LinkOpenerCommandLine(u"C:\\a\"b\\Sorrel.exe", u"x"),
              u"\"C:\\a\"\"b\\Sorrel.exe\" /openurl  /url=\"x\"");
}

TEST(PrivacyAddress, PathOfThePrivacyPage) {
    const std::u16string address = kPrivacyAddress;
    EXPECT_EQ(address.substr(address.size() - 15), u"/en/privacy.php");
}

struct BrowserCase {
    const char* Name;
    BrowserFacts Facts;
    bool Usable;
};

BrowserFacts Facts(uint32_t major, uint32_t minor, uint32_t build, std::u16string progId = u"",
                   std::u16string hash = u"", std::u16string command = u"", bool blocker = false) {
    return BrowserFacts{major, minor, build, progId, hash, command, blocker};
}

class DefaultBrowser : public testing::TestWithParam<BrowserCase> {};

TEST_P(DefaultBrowser, Decision) {
    EXPECT_EQ(DefaultBrowserUsable(GetParam().Facts), GetParam().Usable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultBrowser,
    testing::Values(
        BrowserCase{"XpAlwaysUsable", Facts(5, 1, 2600), true},
        BrowserCase{"Win7MinorBelowTwo", Facts(6, 1, 7601), true},
        BrowserCase{"Win8NoUserChoice", Facts(6, 2, 9200), false},
        BrowserCase{"Win8UserChoiceWithCommand", Facts(6, 2, 9200, u"ChromeHTML", u"h", u"c.exe"),
                    true},
        BrowserCase{"Win81HashMissing", Facts(6, 3, 9600, u"ChromeHTML", u"", u"c.exe"), false},
        BrowserCase{"Win81CommandEmpty", Facts(6, 3, 9600, u"ChromeHTML", u"h", u""), false},
        // Windows 10 is 10.0: the minor figure alone sends it down the first branch.
        BrowserCase{"Win10UsableWithoutUserChoice", Facts(10, 0, 19045), true},
        BrowserCase{"Win10BlockerInstalled", Facts(10, 0, 19045, u"", u"", u"", true), false},
        BrowserCase{"Win10EarlyBuildIgnoresBlocker", Facts(10, 0, 10240, u"", u"", u"", true),
                    true},
        BrowserCase{"Win10Build10586Blocked", Facts(10, 0, 10586, u"", u"", u"", true), false},
        BrowserCase{"Win8BlockerIrrelevant", Facts(6, 2, 9200, u"P", u"h", u"c", true), true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PlanBrowserOpen, DefaultThenEdgeThenInternetExplorer) {
    const std::u16string url = u"https://www.orvix.com/en/privacy.php";
    const std::vector<ShellOpenStep> all = {
        {url, u"", false},
        {u"microsoft-edge:" + url, u"", false},
        {u"C:\\Program Files (x86)\\Internet Explorer\\iexplore.exe", url, true}};
    EXPECT_EQ(PlanBrowserOpen(url, true, 10, u"C:\\Program Files (x86)"), all);
    EXPECT_EQ(PlanBrowserOpen(url, false, 10, u"C:\\Program Files (x86)\\"),
              std::vector<ShellOpenStep>(all.begin() + 1, all.end()));
    EXPECT_EQ(PlanBrowserOpen(url, true, 6, u"C:\\Program Files (x86)\\"),
              (std::vector<ShellOpenStep>{all[0], all[2]}));
    EXPECT_EQ(PlanBrowserOpen(url, false, 6, u""), std::vector<ShellOpenStep>{});
}

TEST(PlanBrowserOpen, BlankAddressTriesNothing) {
    EXPECT_TRUE(PlanBrowserOpen(u"  ", true, 10, u"C:\\Program Files\\").empty());
}

} // namespace
} // namespace pv
