#include "FakeJobFileSystem.h"
#include "report/Collection.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

using Paths = std::vector<std::u16string>;

TEST(ListFolder, ReverseEnumerationOrderAndExtensionFilter) {
    test::FakeJobFileSystem fs;
    fs.AddFolder(u"C:\\U\\Logs\\Scheduler\\", {u"a.log", u"b.log", u"c.txt"});
    TCollection job(fs);
    EXPECT_EQ(job.ListFolder(u"C:\\U\\Logs\\Scheduler", u".log"),
              (Paths{u"C:\\U\\Logs\\Scheduler\\b.log", u"C:\\U\\Logs\\Scheduler\\a.log"}));
    EXPECT_EQ(fs.SearchedPatterns, Paths{u"C:\\U\\Logs\\Scheduler\\*"});
}

TEST(ListFolder, ExtensionIgnoresAsciiCaseOnly) {
    test::FakeJobFileSystem fs;
    fs.AddFolder(u"C:\\F\\", {u"X.LOG", u"y.Log", u"z.l\u00D3g", u"noext", u"log", u"a.log.bak"});
    TCollection job(fs);
    EXPECT_EQ(job.ListFolder(u"C:\\F\\", u".log"), (Paths{u"C:\\F\\y.Log", u"C:\\F\\X.LOG"}));
}

TEST(ListFolder, SeveralExtensions) {
    test::FakeJobFileSystem fs;
    fs.AddFolder(u"C:\\F\\", {u"a.ini", u"b.log", u"c.cfg"});
    TCollection job(fs);
    EXPECT_EQ(job.ListFolder(u"C:\\F\\", u".ini|.cfg"), (Paths{u"C:\\F\\c.cfg", u"C:\\F\\a.ini"}));
}

TEST(ListFolder, AttributeRuleKeepsFoldersDropsBareEntries) {
    test::FakeJobFileSystem fs;
    fs.Folders.insert(u"C:\\F\\");
    fs.Searches[u"C:\\F\\*"] = {{u".", 0x10},       {u"..", 0x10},        {u"dir.log", 0x10},
                                {u"none.log", 0},   {u"temp.log", 0x100}, {u"high.log", 0x2000},
                                {u"ro.log", 0x201}, {u".log", 0x20}};
    TCollection job(fs);
    EXPECT_EQ(job.ListFolder(u"C:\\F\\", u".log"),
              (Paths{u"C:\\F\\.log", u"C:\\F\\ro.log", u"C:\\F\\temp.log", u"C:\\F\\dir.log"}));
}

TEST(ListFolder, MissingFolderIsNotSearched) {
    test::FakeJobFileSystem fs;
    TCollection job(fs);
    EXPECT_TRUE(job.ListFolder(u"C:\\Missing\\", u".log").empty());
    EXPECT_TRUE(job.ListFolder(u"", u".log").empty());
    EXPECT_TRUE(fs.SearchedPatterns.empty());
}

TEST(AddFolderItems, MemberIsPrefixPlusFileName) {
    test::FakeJobFileSystem fs;
    fs.AddFolder(u"C:\\M\\Fetcher\\", {u"one.log", u"two.log"});
    TCollection job(fs);
    job.AddFolderItems(u"C:\\M\\Fetcher", u".log", u"ProgramData\\Fetcher\\");
    EXPECT_EQ(job.SourceFiles, (Paths{u"C:\\M\\Fetcher\\two.log", u"C:\\M\\Fetcher\\one.log"}));
    EXPECT_EQ(job.MemberNames,
              (Paths{u"ProgramData\\Fetcher\\two.log", u"ProgramData\\Fetcher\\one.log"}));
}

TEST(AddItemIfExists, TestsAtCallTime) {
    test::FakeJobFileSystem fs;
    fs.Files.insert(u"C:\\a.ini");
    TCollection job(fs);
    EXPECT_TRUE(job.AddItemIfExists(u"C:\\a.ini", u"A"));
    EXPECT_FALSE(job.AddItemIfExists(u"C:\\b.ini", u"B"));
    EXPECT_EQ(job.MemberNames, Paths{u"A"});
}

TEST(PruneMissing, KeepsPairsAligned) {
    test::FakeJobFileSystem fs;
    fs.Files = {u"C:\\1", u"C:\\3", u"C:\\5"};
    TCollection job(fs);
    for (const char16_t* n : {u"1", u"2", u"3", u"4", u"5", u"6"}) {
        job.AddItem(u"C:\\" + std::u16string(n), u"m" + std::u16string(n));
    }
    job.AddItem(u"C:\\1", u"again1"); // duplicates stay
    job.AddItem(u"", u"empty");
    job.PruneMissing();
    EXPECT_EQ(job.SourceFiles, (Paths{u"C:\\1", u"C:\\3", u"C:\\5", u"C:\\1"}));
    EXPECT_EQ(job.MemberNames, (Paths{u"m1", u"m3", u"m5", u"again1"}));
}

TEST(PruneMissing, FolderListedLikeAFileIsDropped) {
    test::FakeJobFileSystem fs;
    fs.Folders.insert(u"C:\\F\\");
    fs.Searches[u"C:\\F\\*"] = {{u"a.log", 0x20}, {u"sub.log", 0x10}};
    fs.Files.insert(u"C:\\F\\a.log");
    TCollection job(fs);
    job.AddFolderItems(u"C:\\F\\", u".log", u"P\\");
    ASSERT_EQ(job.SourceFiles.size(), 2u);
    job.PruneMissing();
    EXPECT_EQ(job.MemberNames, Paths{u"P\\a.log"});
}

} // namespace
} // namespace pv
