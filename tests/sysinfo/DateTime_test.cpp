#include "sysinfo/AppFuncs.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(DateTime, EncodeKnownDays) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2000, 3, 1, 0, 0, 0, 0}), 36586.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2019, 3, 14, 12, 0, 0, 0}), 43538.5);
    EXPECT_NEAR(EncodeDateTime({2024, 2, 29, 23, 59, 59, 999}), 45351.0 + 86399999.0 / 86400000.0,
                1e-9);
}

TEST(DateTime, DecodeRoundTrips) {
    for (const CivilDate t :
         {CivilDate{2024, 2, 29, 23, 59, 59, 999}, CivilDate{1999, 12, 31, 0, 0, 0, 1},
          CivilDate{2100, 3, 1, 13, 7, 5, 250}, CivilDate{1601, 1, 1, 0, 0, 0, 0}}) {
        const CivilDate back = DecodeDateTime(EncodeDateTime(t));
        EXPECT_EQ(back.Year, t.Year);
        EXPECT_EQ(back.Month, t.Month);
        EXPECT_EQ(back.Day, t.Day);
        EXPECT_EQ(back.Hour, t.Hour);
        EXPECT_EQ(back.Minute, t.Minute);
        EXPECT_EQ(back.Second, t.Second);
        EXPECT_EQ(back.Millisecond, t.Millisecond);
    }
}

TEST(DateTime, MidnightShowsTheDateAlone) {
    EXPECT_EQ(JoinDateTimeText(43538.0, u"3/14/2019", u"12:00:00 AM"), u"3/14/2019");
    EXPECT_EQ(JoinDateTimeText(43538.5, u"3/14/2019", u"12:00:00 PM"), u"3/14/2019 12:00:00 PM");
    // One millisecond after midnight is not midnight.
    EXPECT_EQ(JoinDateTimeText(43538.0 + 1.0 / 86400000.0, u"d", u"t"), u"d t");
}

TEST(DateTime, DecodeOfNonsenseIsTheEpoch) {
    const CivilDate t = DecodeDateTime(1e300);
    EXPECT_EQ(t.Year, 1899);
    EXPECT_EQ(t.Day, 30);
}

// A fake file system for the walk: folder -> entries; missing folders find nothing.
struct FakeTree {
    std::vector<std::pair<std::u16string, std::vector<FolderEntry>>> Folders;
    std::vector<std::u16string> Searched;
};

bool FakeSearch(void* context, const std::u16string& folder, const std::u16string&,
                std::vector<FolderEntry>& entries) {
    auto* tree = static_cast<FakeTree*>(context);
    tree->Searched.push_back(folder);
    for (const auto& [name, list] : tree->Folders) {
        if (name == folder) {
            entries = list;
            return true;
        }
    }
    return false;
}

TEST(FolderWalk, BreadthFirstWithExclusions) {
    FakeTree tree;
    tree.Folders = {
        {u"C:\\r\\",
         {{u".", true},
          {u"..", true},
          {u"sub", true},
          {u"a.txt", false},
          {u"Desktop.INI", false},
          {u"sub2", true}}},
        {u"C:\\r\\sub\\", {{u"b.txt", false}}},
        {u"C:\\r\\sub2\\", {{u"c.txt", false}}},
    };
    const std::vector<std::u16string> exclusions{u"desktop.ini"};
    std::vector<std::u16string> out{u"stale"};
    EXPECT_EQ(WalkFolderFiles(out, u"C:\\r", true, u"*.*", &exclusions, true, &FakeSearch, &tree),
              3);
    EXPECT_EQ(out, (std::vector<std::u16string>{u"C:\\r\\a.txt", u"C:\\r\\sub\\b.txt",
                                                u"C:\\r\\sub2\\c.txt"}));
    EXPECT_EQ(WalkFolderFiles(out, u"C:\\r\\", true, u"*.*", nullptr, false, &FakeSearch, &tree),
              2);
}

TEST(FolderWalk, StopsAtTheFirstFolderThatFindsNothing) {
    FakeTree tree;
    tree.Folders = {{u"C:\\r\\", {{u"empty", true}, {u"full", true}}},
                    {u"C:\\r\\full\\", {{u"x.txt", false}}}};
    std::vector<std::u16string> out;
    EXPECT_EQ(WalkFolderFiles(out, u"C:\\r\\", true, u"*.*", nullptr, true, &FakeSearch, &tree), 0);
    EXPECT_EQ(tree.Searched.size(), 2u);
}

// Regression: two links back to their own folder made the walk grow without end.
TEST(FolderWalk, LinkedSubfoldersAreNotEntered) {
    FakeTree tree;
    FolderEntry loopA{u"a", true, true};
    FolderEntry loopB{u"b", true, true};
    tree.Folders = {{u"C:\\r\\", {loopA, loopB, {u"x.txt", false}, {u"sub", true}}},
                    {u"C:\\r\\sub\\", {loopA, {u"y.txt", false}}},
                    {u"C:\\r\\a\\", {{u"never.txt", false}}}};
    std::vector<std::u16string> out;
    EXPECT_EQ(WalkFolderFiles(out, u"C:\\r\\", true, u"*.*", nullptr, true, &FakeSearch, &tree), 2);
    EXPECT_EQ(out, (std::vector<std::u16string>{u"C:\\r\\x.txt", u"C:\\r\\sub\\y.txt"}));
    EXPECT_EQ(tree.Searched, (std::vector<std::u16string>{u"C:\\r\\", u"C:\\r\\sub\\"}));
}

TEST(FolderWalk, MissingRootGivesNothing) {
    FakeTree tree;
    std::vector<std::u16string> out{u"stale"};
    EXPECT_EQ(WalkFolderFiles(out, u"C:\\none\\", false, u"*.*", nullptr, true, &FakeSearch, &tree),
              0);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(tree.Searched.empty());
}

} // namespace
} // namespace pv
