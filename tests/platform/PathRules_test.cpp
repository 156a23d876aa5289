#include "platform/PathRules.h"
#include <gtest/gtest.h>

using namespace pv;

TEST(PathRules, FinalPathPrefixesAndTrailingBackslash) {
    EXPECT_EQ(NormalizeFinalPath(u"\\\\?\\C:\\Users\\a\\"), u"C:\\Users\\a");
    EXPECT_EQ(NormalizeFinalPath(u"\\\\?\\UNC\\srv\\share"), u"\\\\srv\\share");
    EXPECT_EQ(NormalizeFinalPath(u"C:"), u"C:\\");
    EXPECT_TRUE(SamePath(u"\\\\?\\c:\\USERS\\Root\\AppData", u"C:\\users\\root\\AppData\\"));
    EXPECT_FALSE(
        SamePath(u"C:\\victim", u"C:\\users\\root\\AppData\\Roaming\\Orvix\\Plenvia\\Logs"));
}

TEST(PathRules, UnderRootComparesWholeComponents) {
    EXPECT_TRUE(IsPathUnder(u"C:\\Logs\\a.txt", u"C:\\Logs\\"));
    EXPECT_TRUE(IsPathUnder(u"c:\\logs", u"C:\\Logs"));
    EXPECT_FALSE(IsPathUnder(u"C:\\Logs2\\a.txt", u"C:\\Logs"));
    EXPECT_FALSE(IsPathUnder(u"C:\\Log", u"C:\\Logs"));
    EXPECT_TRUE(IsPathUnder(u"C:\\x\\y", u"C:\\"));
    EXPECT_FALSE(IsPathUnder(u"D:\\x", u""));
}

TEST(PathRules, OnlyPlainAbsolutePathsAreWritable) {
    EXPECT_TRUE(IsPlainAbsolutePath(u"C:\\Users\\a\\Logs\\"));
    EXPECT_TRUE(IsPlainAbsolutePath(u"C:\\"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"Logs\\PingHosts.txt"));
    // A share is a volume like a drive: redirected AppData and desktops live on one.
    EXPECT_TRUE(IsPlainAbsolutePath(u"\\\\srv\\share\\x"));
    EXPECT_TRUE(IsPlainAbsolutePath(u"\\\\srv\\share"));
    EXPECT_TRUE(IsPlainAbsolutePath(u"\\\\srv\\share\\"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\srv"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\srv\\"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\\\share\\x"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\srv\\..\\x"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\srv\\share\\..\\x"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\srv\\share\\\\x"));
    // Device and raw namespaces are no shares.
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\.\\pipe\\x"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\?\\C:\\x"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\s:v\\share\\x"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"C:\\a\\..\\Windows"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"C:\\a\\.\\b"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"C:\\a\\\\b"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"C:\\a\\b.txt:stream"));
    EXPECT_FALSE(IsPlainAbsolutePath(u"C:/a/b"));
}

TEST(PathRules, FolderChainFromRoot) {
    EXPECT_EQ(FolderChain(u"C:\\a\\b\\"),
              (std::vector<std::u16string>{u"C:\\", u"C:\\a", u"C:\\a\\b"}));
    EXPECT_EQ(FolderChain(u"C:\\"), (std::vector<std::u16string>{u"C:\\"}));
    EXPECT_TRUE(FolderChain(u"a\\b").empty());
    EXPECT_EQ(FolderChain(u"\\\\s\\sh\\a\\b\\"),
              (std::vector<std::u16string>{u"\\\\s\\sh\\", u"\\\\s\\sh\\a", u"\\\\s\\sh\\a\\b"}));
    EXPECT_EQ(FolderChain(u"\\\\s\\sh"), (std::vector<std::u16string>{u"\\\\s\\sh\\"}));
}

// The containment rule behind every elevated write, delete and copy: `path` is what the system
// resolved from a handle, `root` the folder the tool expected. Anything doubtful counts as outside.
struct UnderCase {
    const char* label;
    std::u16string path;
    std::u16string root;
    bool under;
};

class PathUnderRoot : public testing::TestWithParam<UnderCase> {};

TEST_P(PathUnderRoot, Decides) {
    EXPECT_EQ(IsPathUnder(GetParam().path, GetParam().root), GetParam().under);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathUnderRoot,
    testing::Values(
        UnderCase{"BothWithFinalPathPrefix", u"\\\\?\\C:\\U\\Logs\\a", u"\\\\?\\C:\\U\\Logs\\",
                  true},
        UnderCase{"RootIsTheDrive", u"\\\\?\\C:\\a", u"C:", true},
        UnderCase{"OtherDrive", u"\\\\?\\D:\\U\\Logs\\a", u"C:\\U\\Logs", false},
        UnderCase{"DriveLetterPrefixOfLongerName", u"CC:\\U", u"C:", false},
        UnderCase{"UncSameShare", u"\\\\?\\UNC\\srv\\share\\a", u"\\\\srv\\share\\", true},
        UnderCase{"UncSiblingShare", u"\\\\?\\UNC\\srv\\share2\\a", u"\\\\srv\\share", false},
        UnderCase{"UncOtherServerSamePrefix", u"\\\\srv2\\share\\a", u"\\\\srv", false},
        UnderCase{"ParentOfRoot", u"C:\\U", u"C:\\U\\Logs", false},
        UnderCase{"DotDotEscapingTheRootIsOutside", u"C:\\U\\Logs\\..\\..\\Windows\\x",
                  u"C:\\U\\Logs", false},
        UnderCase{"DotComponentIsOutside", u"C:\\U\\Logs\\.\\a", u"C:\\U\\Logs", false},
        UnderCase{"DotDotInRootNeverMatchesAFinalPath", u"C:\\Windows\\x", u"C:\\U\\..\\Windows",
                  false},
        UnderCase{"NonAsciiCaseIsNotFolded", u"C:\\\u00c9t\u00e9\\a", u"C:\\\u00e9t\u00e9", false},
        UnderCase{"AsciiCaseIsFolded", u"c:\\u\\LOGS\\A", u"C:\\U\\Logs", true},
        UnderCase{"EmptyPath", u"", u"C:\\U", false}),
    [](const testing::TestParamInfo<UnderCase>& info) { return std::string(info.param.label); });
