#include "report/FileListing.h"
#include "platform/Text.h"
#include <gtest/gtest.h>

using namespace pv;

namespace {

// Stand-in for the locale comparison: ignore the case of A-Z.
int CompareIgnoringCase(const std::u16string& a, const std::u16string& b) {
    const std::u16string la = LowerAscii(a);
    const std::u16string lb = LowerAscii(b);
    return la < lb ? -1 : la > lb ? 1 : 0;
}

std::vector<std::u16string> Paths(const std::vector<ListingEntry>& list) {
    std::vector<std::u16string> out;
    for (const auto& e : list) {
        out.push_back(e.Path);
    }
    return out;
}

} // namespace

TEST(FileListLine, FieldsWithAndWithoutVersionAndDigest) {
    EXPECT_EQ(FileListLine(u"C:\\Tools\\data.bin", 12, u"", u""), u"C:\\Tools\\data.bin, 12, , ");
    EXPECT_EQ(
        FileListLine(u"C:\\P\\p.exe", 4096, u"10.2.0.110", u"D41D8CD98F00B204E9800998ECF8427E"),
        u"C:\\P\\p.exe, 4096, 10.2.0.110, D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(FileListLine(u"C:\\P\\big.bin", 5368709120ull, u"", u"X"),
              u"C:\\P\\big.bin, 5368709120, , X");
}

TEST(GatherListing, MainListingDigestsOnlyInstallationFiles) {
    const auto list = GatherListing({u"C:\\App\\b.exe", u"C:\\App\\sub\\z.dll"},
                                    {u"C:\\Down\\a.inf", u"C:\\Down\\zz.cab"},
                                    {u"C:\\Vault\\Vault.ini"}, false, CompareIgnoringCase);
    const std::vector<std::u16string> order = {u"C:\\App\\b.exe", u"C:\\App\\sub\\z.dll",
                                               u"C:\\Down\\a.inf", u"C:\\Down\\zz.cab",
                                               u"C:\\Vault\\Vault.ini"};
    EXPECT_EQ(Paths(list), order);
    for (const auto& e : list) {
        EXPECT_EQ(e.Digest, e.Path.rfind(u"C:\\App\\", 0) == 0) << ToUtf8(e.Path);
    }
}

TEST(GatherListing, SortsIgnoringCaseAndDropsEqualPaths) {
    // The download and backup folder being one folder: its files appear once.
    const std::vector<std::u16string> shared = {u"C:\\D\\b.txt", u"C:\\D\\A.txt"};
    const auto list =
        GatherListing({}, shared, {u"c:\\d\\B.TXT", u"C:\\D\\a.txt"}, true, CompareIgnoringCase);
    EXPECT_EQ(Paths(list), (std::vector<std::u16string>{u"C:\\D\\A.txt", u"C:\\D\\b.txt"}));
    EXPECT_TRUE(list[0].Digest && list[1].Digest);
}

TEST(GatherListing, AnInstallationFileAlsoSeenInASharedFolderKeepsItsDigest) {
    // A download folder inside the installation folder.
    const auto list = GatherListing({u"C:\\App\\Down\\x.cab"}, {u"C:\\APP\\down\\X.cab"}, {}, false,
                                    CompareIgnoringCase);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Path, u"C:\\App\\Down\\x.cab");
    EXPECT_TRUE(list[0].Digest);
}

TEST(GatherListing, NothingGivesAnEmptyList) {
    EXPECT_TRUE(GatherListing({}, {}, {}, false, CompareIgnoringCase).empty());
}

struct EditionCase {
    const char16_t* Folder;
    const char16_t* Listing;
};

class EditionListingTest : public testing::TestWithParam<EditionCase> {};

TEST_P(EditionListingTest, ChoosesTheTarget) {
    EXPECT_EQ(EditionListingName(GetParam().Folder), GetParam().Listing);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, EditionListingTest,
    testing::Values(EditionCase{u"C:\\Games\\Plenvia\\", u"FileList_lumen3.txt"},
                    EditionCase{u"C:\\Games\\PLENVIA\\", u"FileList_lumen3.txt"},
                    // Two editions on one target: the later one's listing replaces the earlier.
                    EditionCase{u"C:\\Lumen\\common\\Plenvia\\", u"FileList_lumen3.txt"},
                    EditionCase{u"E:\\x PLENVIA 5 y\\", u"FileList_lumen5.txt"},
                    EditionCase{u"C:\\Games\\Plenvia 4\\", u"FileList_lumen4.txt"},
                    EditionCase{u"D:\\Apps\\PLENVIA 5 Beta\\", u"FileList_lumen5.txt"},
                    EditionCase{u"D:\\Apps\\Plenvia 5\\", u"FileList_lumen5.txt"},
                    EditionCase{u"D:\\Apps\\Plenvia for Lumen\\", u"FileList_lumen.txt"},
                    // Both texts: the games-store test wins, whatever matched before.
                    EditionCase{u"D:\\Plenvia 5\\Plenvia for Lumen\\", u"FileList_lumen.txt"},
                    EditionCase{u"D:\\Plenvia for Lumen\\Plenvia\\", u"FileList_lumen.txt"},
                    EditionCase{u"D:\\Apps\\Plenvia 6\\", u""},
                    EditionCase{u"D:\\Apps\\MyPlenvia\\", u""}, EditionCase{u"", u""}));
