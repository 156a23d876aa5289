#include "sysinfo/SectionRules.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using Lines = std::vector<std::u16string>;

TEST(DelimitedList, NonStrictParse) {
    EXPECT_EQ(ParseDelimitedList(u"a,b"), (Lines{u"a", u"b"}));
    EXPECT_EQ(ParseDelimitedList(u"  a b,c"), (Lines{u"a", u"b", u"c"}));
    EXPECT_EQ(ParseDelimitedList(u"\"C:\\Program Files\\x.exe\", y"),
              (Lines{u"C:\\Program Files\\x.exe", u"y"}));
    EXPECT_EQ(ParseDelimitedList(u"\"say \"\"hi\"\"\""), (Lines{u"say \"hi\""}));
    EXPECT_EQ(ParseDelimitedList(u"a,"), (Lines{u"a", u""}));
    EXPECT_EQ(ParseDelimitedList(u"a,,b"), (Lines{u"a", u"", u"b"}));
    EXPECT_EQ(ParseDelimitedList(u""), Lines{});
    EXPECT_EQ(ParseDelimitedList(u"\"open"), (Lines{u"open"}));
}

const Lines kExplorer = DefaultNames(u"explorer.exe", u"C:\\windows\\system32\\");
const Lines kUserinit = DefaultNames(u"userinit.exe", u"C:\\windows\\system32\\");

struct ListCase {
    const char16_t* Value;
    const Lines* Defaults;
    Lines Entries;
};
class ListValueTest : public testing::TestWithParam<ListCase> {};

TEST_P(ListValueTest, Entries) {
    EXPECT_EQ(ListValueEntries(GetParam().Value, *GetParam().Defaults), GetParam().Entries);
}

const Lines kNone;
INSTANTIATE_TEST_SUITE_P(
    DefaultNames, ListValueTest,
    testing::Values(
        ListCase{u"explorer.exe", &kExplorer, {}}, ListCase{u"EXPLORER.EXE", &kExplorer, {}},
        ListCase{u"explorer.exe,other.exe", &kExplorer, {u"other.exe"}},
        ListCase{u"other.exe", &kExplorer, {u"other.exe"}},
        ListCase{u"other.exe,explorer.exe", &kExplorer, {u"other.exe", u"explorer.exe"}},
        ListCase{u"%sysdir%\\explorer.exe", &kExplorer, {}},
        ListCase{u"C:\\windows\\system32\\userinit.exe,", &kUserinit, {}},
        ListCase{u"C:\\Windows\\System32\\userinit.exe, evil.exe", &kUserinit, {u"evil.exe"}},
        ListCase{u"explorer.exe", &kNone, {u"explorer.exe"}}));

TEST(RunOnceEx, Parts) {
    EXPECT_EQ(RunOnceExEntries(u"||cmd /c x"), (Lines{u"cmd /c x"}));
    EXPECT_EQ(RunOnceExEntries(u"setup.dll"), (Lines{u"rundll32.exe setup.dll"}));
    EXPECT_EQ(
        RunOnceExEntries(u"a.dll|Fn|arg"),
        (Lines{u"rundll32.exe a.dll", u"rundll32.exe a.dll,Fn", u"rundll32.exe a.dll,Fn arg"}));
    EXPECT_EQ(RunOnceExEntries(u"a.dll|Fn"),
              (Lines{u"rundll32.exe a.dll", u"rundll32.exe a.dll,Fn"}));
    EXPECT_EQ(RunOnceExEntries(u"|Fn|"), (Lines{u"rundll32.exe ,Fn", u"rundll32.exe ,Fn "}));
    EXPECT_EQ(RunOnceExEntries(u"  "), Lines{});
}

TEST(Cleanup, BlankEntriesGoTheHeadStays) {
    Lines lines{u"", u"===== Autoruns =====", u"", u"a", u"  ", u"", u"b", u"\t"};
    DropBlankEntries(lines, 3);
    EXPECT_EQ(lines, (Lines{u"", u"===== Autoruns =====", u"", u"a", u"b"}));
}

struct ProgramCase {
    UninstallEntry Entry;
    std::optional<std::u16string> Line;
};
class ProgramLineTest : public testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramLineTest, Line) {
    EXPECT_EQ(ProgramLine(GetParam().Entry), GetParam().Line);
}

UninstallEntry Entry(std::u16string name, bool hasVersion, uint32_t type, std::u16string version,
                     bool system = false, bool tsAware = false) {
    UninstallEntry e;
    e.KeyName = u"{KEY}";
    e.DisplayName = std::move(name);
    e.HasVersion = hasVersion;
    e.VersionType = type;
    e.Version = std::move(version);
    e.HasSystemComponent = system;
    e.HasTsAware = tsAware;
    return e;
}

INSTANTIATE_TEST_SUITE_P(
    Uninstall, ProgramLineTest,
    testing::Values(ProgramCase{Entry(u"Tool", true, 1, u"1.2"), u"Tool, (1.2), [{KEY}]"},
                    ProgramCase{Entry(u"Tool", false, 0, u""), u"Tool"},
                    ProgramCase{Entry(u"Tool", true, 2, u"1.2"), u"Tool"},
                    ProgramCase{Entry(u"Tool", true, 1, u""), u"Tool, (), [{KEY}]"},
                    ProgramCase{Entry(u"", true, 1, u"1.2"), std::nullopt},
                    ProgramCase{Entry(u"Tool", true, 1, u"1.2", true), std::nullopt},
                    ProgramCase{Entry(u"Tool", true, 1, u"1.2", false, true), std::nullopt}));

TEST(Lines, Patterns) {
    EXPECT_EQ(VolumeLine(u"C", u"", u"0A1B2C3D", u"NTFS", u"1,00 GB", u"2,00 GB"),
              u"[C:] , 0A1B2C3D, NTFS, (1,00 GB / 2,00 GB)");
    EXPECT_EQ(ProcessLine(u"a.exe", 12, u""), u"a.exe [12] ");
    EXPECT_EQ(ServiceLine(u"svc", u"Service", -1, -1), u"[svc] Service, -1, -1");
    EXPECT_EQ(DriverLine(u"drv", u"Driver"), u"[drv] Driver");
    EXPECT_EQ(BhoLine(u"", u""), u", ");
    EXPECT_EQ(StripNtPathPrefix(u"\\??\\C:\\x\\??\\y"), u"C:\\xy");
    EXPECT_TRUE(IsShortcutFile(u"C:\\s\\App.LNK"));
    EXPECT_FALSE(IsShortcutFile(u"C:\\s.lnk\\App.exe"));
}

} // namespace
} // namespace pv
