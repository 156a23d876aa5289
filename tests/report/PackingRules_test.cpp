#include "report/PackingRules.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(PrivateFolderName, RoundTripsAndRejectsLookAlikes) {
    const std::u16string name = PrivateFolderName(0x0123456789ABCDEFULL);
    EXPECT_EQ(name, u"PvReportJob.0123456789ABCDEF");
    EXPECT_TRUE(IsPrivateFolderName(name));
    EXPECT_TRUE(IsPrivateFolderName(u"pvreportjob.0123456789abcdef"));
    EXPECT_FALSE(IsPrivateFolderName(u"PvReportJob.0123456789ABCDE"));
    EXPECT_FALSE(IsPrivateFolderName(u"PvReportJob.0123456789ABCDEF0"));
    EXPECT_FALSE(IsPrivateFolderName(u"PvReportJob.0123456789ABCDEG"));
    EXPECT_FALSE(IsPrivateFolderName(u"PvReportJob-0123456789ABCDEF"));
    EXPECT_FALSE(IsPrivateFolderName(u"Prefs.ini"));
}

struct InPlaceCase {
    const char* label;
    std::u16string finalPath;
    std::u16string source;
    bool packed;
};

class CollectedInPlace : public testing::TestWithParam<InPlaceCase> {};

// No trusted root holds these sources: each folder must resolve to itself.
TEST_P(CollectedInPlace, Decides) {
    EXPECT_EQ(IsCollectedInPlace(TrustedRoots(), GetParam().finalPath, GetParam().source),
              GetParam().packed);
}

INSTANTIATE_TEST_SUITE_P(
    Links, CollectedInPlace,
    testing::Values(
        InPlaceCase{"SameFileWithPrefix", u"\\\\?\\C:\\U\\Logs\\a.log", u"C:\\U\\Logs\\a.log",
                    true},
        InPlaceCase{"SameFileWithoutPrefix", u"C:\\U\\Logs\\a.log", u"C:\\U\\Logs\\a.log", true},
        InPlaceCase{"CaseDiffers", u"\\\\?\\c:\\u\\LOGS\\A.LOG", u"C:\\U\\Logs\\a.log", true},
        InPlaceCase{"LinkToSiblingInFolder", u"\\\\?\\C:\\U\\Logs\\b.log", u"C:\\U\\Logs\\a.log",
                    true},
        InPlaceCase{"LinkIntoSubfolder", u"\\\\?\\C:\\U\\Logs\\old\\a.log", u"C:\\U\\Logs\\a.log",
                    true},
        InPlaceCase{"LinkOutside", u"\\\\?\\C:\\Windows\\System32\\config\\SAM",
                    u"C:\\U\\Logs\\a.log", false},
        InPlaceCase{"LinkToParent", u"\\\\?\\C:\\U\\Prefs.ini", u"C:\\U\\Logs\\a.log", false},
        InPlaceCase{"SiblingFolderSharingPrefix", u"\\\\?\\C:\\U\\Logs2\\a.log",
                    u"C:\\U\\Logs\\a.log", false},
        InPlaceCase{"ResolvesToTheFolderItself", u"\\\\?\\C:\\U\\Logs", u"C:\\U\\Logs\\a.log",
                    false},
        InPlaceCase{"OtherDrive", u"\\\\?\\D:\\U\\Logs\\a.log", u"C:\\U\\Logs\\a.log", false},
        InPlaceCase{"Unc", u"\\\\?\\UNC\\srv\\share\\a.log", u"\\\\srv\\share\\a.log", true},
        InPlaceCase{"UnresolvedHandle", u"", u"C:\\U\\Logs\\a.log", false},
        InPlaceCase{"RelativeSource", u"\\\\?\\C:\\cwd\\InnoSetup.log", u"InnoSetup.log", false}),
    [](const testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.label); });

// A user whose AppData was redirected to a share that the system reaches through a mapped drive:
// the log folder's files resolve below the share, and are still the files that were collected.
TEST(CollectedInPlace, FollowsTheRootsResolutionButNoLinkBelowIt) {
    TrustedRoots roots;
    roots.Add(u"\\\\fs\\p\\u\\AppData", u"\\\\?\\Z:\\p\\u\\AppData");
    const std::u16string source = u"\\\\fs\\p\\u\\AppData\\Orvix\\Logs\\a.log";
    EXPECT_TRUE(IsCollectedInPlace(roots, u"\\\\?\\Z:\\p\\u\\AppData\\Orvix\\Logs\\a.log", source));
    EXPECT_FALSE(
        IsCollectedInPlace(roots, u"\\\\?\\UNC\\fs\\p\\u\\AppData\\Orvix\\Logs\\a.log", source));
    EXPECT_FALSE(IsCollectedInPlace(roots, u"\\\\?\\Z:\\p\\u\\AppData\\Orvix\\Prefs.ini", source));
    EXPECT_FALSE(IsCollectedInPlace(roots, u"\\\\?\\C:\\Windows\\System32\\config\\SAM", source));
}

} // namespace
} // namespace pv
