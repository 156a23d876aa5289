#include "platform/TrustedRoots.h"
#include <gtest/gtest.h>

using namespace pv;

namespace {

// The roots of a user whose profile was moved to D: (C:\Users\u is a link), whose desktop sits on
// a share, whose TEMP is given in its 8.3 form, and whose machine has a product installation.
TrustedRoots SampleRoots() {
    TrustedRoots roots;
    roots.Add(u"C:\\Users\\u\\AppData\\Roaming", u"\\\\?\\D:\\Users\\u\\AppData\\Roaming");
    roots.Add(u"C:\\Users\\u\\AppData\\Local", u"\\\\?\\D:\\Users\\u\\AppData\\Local");
    roots.Add(u"\\\\fs\\profiles\\u\\Desktop", u"\\\\?\\UNC\\fs\\profiles\\u\\Desktop");
    roots.Add(u"C:\\SCRA~2GR\\", u"\\\\?\\C:\\Scratch Space For Reports");
    roots.Add(u"C:\\Scratch Space For Reports\\", u"\\\\?\\C:\\Scratch Space For Reports");
    roots.Add(u"\\\\?\\UNC\\srv\\apps\\Plenvia", u"\\\\?\\UNC\\srv\\apps\\Plenvia");
    roots.Add(u"C:\\Program Files\\Plenvia", u"C:\\Program Files\\Plenvia");
    return roots;
}

// A handle opened on `requested` resolved to `finalPath`: is it the file the tool asked for?
struct AcceptCase {
    const char* label;
    std::u16string requested;
    std::u16string finalPath;
    bool accepted;
};

class TrustedRootsAccept : public testing::TestWithParam<AcceptCase> {};

TEST_P(TrustedRootsAccept, Decides) {
    EXPECT_EQ(SampleRoots().Accepts(GetParam().requested, GetParam().finalPath),
              GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrustedRootsAccept,
    testing::Values(
        // A relocated root: the link above the root is the user's own layout, not a threat.
        AcceptCase{"RelocatedRoot",
                   u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   true},
        // The text comparison this rule replaces refused the same file as named.
        AcceptCase{"RelocatedRootNotTheRequestedText",
                   u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   u"\\\\?\\C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   false},
        AcceptCase{"LinkBelowRootToElsewhere",
                   u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   u"\\\\?\\C:\\Windows\\System32\\drivers\\etc\\hosts", false},
        AcceptCase{"LinkBelowRootToSiblingInsideRoot",
                   u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Prefs.ini", false},
        AcceptCase{"LinkedFolderBelowRoot",
                   u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\SystemInfo.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming\\Elsewhere\\SystemInfo.txt", false},
        AcceptCase{"UncDesktop", u"\\\\fs\\profiles\\u\\Desktop\\pv_info_20240131_i.zip",
                   u"\\\\?\\UNC\\fs\\profiles\\u\\Desktop\\pv_info_20240131_i.zip", true},
        AcceptCase{"UncRootRequestedInRawForm",
                   u"\\\\?\\UNC\\fs\\profiles\\u\\Desktop\\pv_info_20240131_i.zip",
                   u"\\\\?\\UNC\\fs\\profiles\\u\\Desktop\\pv_info_20240131_i.zip", true},
        AcceptCase{"UncRootRecordedInRawForm", u"\\\\srv\\apps\\Plenvia\\Plenvia.exe",
                   u"\\\\?\\UNC\\srv\\apps\\Plenvia\\Plenvia.exe", true},
        AcceptCase{"UncSiblingShare", u"\\\\fs\\profiles\\u\\Desktop\\a.zip",
                   u"\\\\?\\UNC\\fs\\profiles2\\u\\Desktop\\a.zip", false},
        AcceptCase{"ShortRootResolvesLong", u"C:\\SCRA~2GR\\PvReportJob.0123456789ABCDEF\\a.zip",
                   u"\\\\?\\C:\\Scratch Space For Reports\\PvReportJob.0123456789ABCDEF\\a.zip",
                   true},
        AcceptCase{"LongSpellingOfTheSameRoot",
                   u"C:\\Scratch Space For Reports\\PvReportJob.0123456789ABCDEF\\a.zip",
                   u"\\\\?\\C:\\Scratch Space For Reports\\PvReportJob.0123456789ABCDEF\\a.zip",
                   true},
        // Below the root only the final path counts: a short name there is not expanded.
        AcceptCase{"ShortNameBelowRootIsNotGuessed", u"C:\\SCRA~2GR\\PVREPO~1\\a.zip",
                   u"\\\\?\\C:\\Scratch Space For Reports\\PvReportJob.0123456789ABCDEF\\a.zip",
                   false},
        AcceptCase{"AsciiCaseIgnored", u"c:\\users\\U\\appdata\\roaming\\ORVIX\\a.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming\\Orvix\\A.TXT", true},
        AcceptCase{"NonAsciiCaseNotFolded", u"C:\\Users\\u\\AppData\\Roaming\\\u00c9\\a.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming\\\u00e9\\a.txt", false},
        AcceptCase{"DotDotClimbsOutOfRoot",
                   u"C:\\Users\\u\\AppData\\Roaming\\..\\..\\..\\..\\Windows\\x.dll",
                   u"\\\\?\\C:\\Windows\\x.dll", false},
        AcceptCase{"DotComponent", u"C:\\Users\\u\\AppData\\Roaming\\.\\a.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming\\a.txt", false},
        AcceptCase{"RootSharingATextPrefix", u"C:\\Users\\u\\AppData\\Roaming2\\a.txt",
                   u"\\\\?\\D:\\Users\\u\\AppData\\Roaming2\\a.txt", false},
        AcceptCase{"UnderNoRootMustResolveToItself", u"E:\\Data\\a.txt", u"\\\\?\\E:\\Data\\a.txt",
                   true},
        AcceptCase{"UnderNoRootThroughALink", u"E:\\Data\\a.txt", u"\\\\?\\F:\\Data\\a.txt", false},
        AcceptCase{"FinalPathQueryFailed", u"E:\\Data\\a.txt", u"", false},
        AcceptCase{"RelativeRequest", u"a.txt", u"\\\\?\\C:\\cwd\\a.txt", false},
        AcceptCase{"DeviceNamespaceRequest", u"\\\\.\\pipe\\x", u"\\\\.\\pipe\\x", false}),
    [](const testing::TestParamInfo<AcceptCase>& info) { return std::string(info.param.label); });

TEST(TrustedRoots, LongestSpellingWinsForNestedRoots) {
    // A desktop redirected away from a profile that is itself a root: the inner root decides.
    TrustedRoots roots;
    roots.Add(u"C:\\Users\\u", u"C:\\Users\\u");
    roots.Add(u"C:\\Users\\u\\Desktop", u"\\\\?\\UNC\\fs\\p\\u\\Desktop");
    EXPECT_EQ(roots.ExpectedFinalPath(u"C:\\Users\\u\\Desktop\\a.zip"),
              u"\\\\fs\\p\\u\\Desktop\\a.zip");
    EXPECT_EQ(roots.ExpectedFinalPath(u"C:\\Users\\u\\Documents\\a.txt"),
              u"C:\\Users\\u\\Documents\\a.txt");
}

TEST(TrustedRoots, FirstResolutionOfASpellingStands) {
    // A root swapped for a link after it was resolved must not move the trusted target.
    TrustedRoots roots;
    EXPECT_TRUE(roots.Add(u"C:\\T", u"C:\\T"));
    EXPECT_FALSE(roots.Add(u"c:\\t\\", u"C:\\Windows"));
    EXPECT_FALSE(roots.Accepts(u"C:\\T\\a", u"\\\\?\\C:\\Windows\\a"));
    EXPECT_FALSE(roots.Add(u"T", u"C:\\T"));
    EXPECT_FALSE(roots.Add(u"C:\\T2", u"\\\\.\\pipe\\x"));
}

TEST(TrustedRoots, FoldersToCheckStartAtTheRoot) {
    const TrustedRoots roots = SampleRoots();
    const auto checks = roots.FoldersToCheck(u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Logs\\");
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].Path, u"C:\\Users\\u\\AppData\\Roaming");
    EXPECT_EQ(checks[0].ExpectedFinal, u"D:\\Users\\u\\AppData\\Roaming");
    EXPECT_TRUE(checks[0].IsRoot);
    EXPECT_EQ(checks[1].Path, u"C:\\Users\\u\\AppData\\Roaming\\Orvix");
    EXPECT_EQ(checks[1].ExpectedFinal, u"D:\\Users\\u\\AppData\\Roaming\\Orvix");
    EXPECT_FALSE(checks[1].IsRoot);
    EXPECT_EQ(checks[2].ExpectedFinal, u"D:\\Users\\u\\AppData\\Roaming\\Orvix\\Logs");

    const auto rootOnly = roots.FoldersToCheck(u"\\\\fs\\profiles\\u\\Desktop\\");
    ASSERT_EQ(rootOnly.size(), 1u);
    EXPECT_TRUE(rootOnly[0].IsRoot);
    EXPECT_EQ(rootOnly[0].ExpectedFinal, u"\\\\fs\\profiles\\u\\Desktop");
}

TEST(TrustedRoots, FoldersOutsideEveryRootAreCheckedFromTheVolumeRoot) {
    const auto checks = SampleRoots().FoldersToCheck(u"\\\\nas\\share\\a\\b");
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].Path, u"\\\\nas\\share\\");
    EXPECT_EQ(checks[0].ExpectedFinal, u"\\\\nas\\share");
    EXPECT_FALSE(checks[0].IsRoot);
    EXPECT_EQ(checks[2].ExpectedFinal, u"\\\\nas\\share\\a\\b");
    EXPECT_TRUE(SampleRoots().FoldersToCheck(u"a\\b").empty());
}

// Junctions met while listing an installation folder (final path of the listed tree given).
struct LinkCase {
    const char* label;
    std::u16string target;
    std::vector<std::u16string> entered;
    bool enters;
};

class LinkedFolder : public testing::TestWithParam<LinkCase> {};

TEST_P(LinkedFolder, Decides) {
    EXPECT_EQ(EntersLinkedFolder(SampleRoots(), GetParam().target, u"C:\\Program Files\\Plenvia",
                                 GetParam().entered),
              GetParam().enters);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkedFolder,
    testing::Values(
        LinkCase{"IntoAnotherTrustedRoot", u"\\\\?\\UNC\\srv\\apps\\Plenvia\\Drivers", {}, true},
        LinkCase{"IntoUserData", u"\\\\?\\D:\\Users\\u\\AppData\\Local\\Plenvia", {}, true},
        LinkCase{"OutsideEveryRoot", u"\\\\?\\C:\\Windows\\System32\\config", {}, false},
        LinkCase{"BackToTheTreeItself", u"\\\\?\\C:\\Program Files\\Plenvia", {}, false},
        LinkCase{"IntoTheTree", u"\\\\?\\C:\\Program Files\\Plenvia\\Sub", {}, false},
        LinkCase{"ToAnAncestor", u"\\\\?\\C:\\Program Files", {}, false},
        LinkCase{"TwiceToTheSameTarget",
                 u"\\\\?\\UNC\\srv\\apps\\Plenvia\\Drivers",
                 {u"\\\\?\\UNC\\srv\\apps\\Plenvia\\Drivers"},
                 false},
        LinkCase{"IntoAnEnteredTarget",
                 u"\\\\?\\UNC\\srv\\apps\\Plenvia\\Drivers\\x",
                 {u"\\\\?\\UNC\\srv\\apps\\Plenvia\\Drivers"},
                 false},
        LinkCase{"UnresolvedTarget", u"", {}, false}),
    [](const testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.label); });

} // namespace
