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
    EXPECT_FALSE(IsPlainAbsolutePath(u"\\\\srv\\share\\x"));
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
}
