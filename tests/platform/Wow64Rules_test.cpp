#include "platform/Wow64Rules.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <map>

namespace pv {
namespace {

TEST(Wow64Rules, EveryViewHasItsOwnFlag) {
    EXPECT_EQ(RegistryViewFlag(RegistryView::Bit32), 0x0200u); // KEY_WOW64_32KEY
    EXPECT_EQ(RegistryViewFlag(RegistryView::Bit64), 0x0100u); // KEY_WOW64_64KEY
}

TEST(Wow64Rules, WindowsBitnessFromTheNativeArchitecture) {
    const struct {
        uint16_t Architecture;
        bool Is64Bit;
    } cases[] = {{kArchitectureX86, false},  {kArchitectureAmd64, true}, {kArchitectureIa64, true},
                 {kArchitectureArm64, true}, {5 /* ARM */, false},       {0xFFFF, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsArchitecture64Bit(c.Architecture), c.Is64Bit) << c.Architecture;
    }
}

struct RedirectCase {
    const char* Path;
    const char* Expected; // nullptr: unchanged
};

class RedirectionTest : public testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectionTest, PathAsThe32BitExeReachesIt) {
    const RedirectionFacts facts{u"C:\\Windows", true};
    const std::u16string path = FromUtf8(GetParam().Path);
    const std::u16string expected = GetParam().Expected ? FromUtf8(GetParam().Expected) : path;
    EXPECT_EQ(ToUtf8(RedirectedFor32BitProcess(path, facts)), ToUtf8(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RedirectionTest,
    testing::Values(
        // Redirected, whatever the letter case, the separators and the dot components.
        RedirectCase{"C:\\Windows\\System32\\cmd.exe", "C:\\Windows\\SysWOW64\\cmd.exe"},
        RedirectCase{"c:\\WINDOWS\\system32\\drivers\\x.sys",
                     "c:\\WINDOWS\\SysWOW64\\drivers\\x.sys"},
        RedirectCase{"C:\\Windows\\System32", "C:\\Windows\\SysWOW64"},
        RedirectCase{"C:\\Windows\\System32\\", "C:\\Windows\\SysWOW64\\"},
        RedirectCase{"C:/Windows/System32/cmd.exe", "C:\\Windows\\SysWOW64\\cmd.exe"},
        RedirectCase{"C:\\Windows\\\\System32\\cmd.exe", "C:\\Windows\\SysWOW64\\cmd.exe"},
        RedirectCase{"C:\\Windows\\Temp\\..\\System32\\cmd.exe", "C:\\Windows\\SysWOW64\\cmd.exe"},
        RedirectCase{"C:\\Windows\\System32\\*.dmp", "C:\\Windows\\SysWOW64\\*.dmp"},
        RedirectCase{"\\\\?\\C:\\Windows\\System32\\cmd.exe",
                     "\\\\?\\C:\\Windows\\SysWOW64\\cmd.exe"},
        RedirectCase{"\\??\\C:\\Windows\\System32\\cmd.exe",
                     "\\??\\C:\\Windows\\SysWOW64\\cmd.exe"},
        RedirectCase{"C:\\Windows\\lastgood\\System32\\a.dll",
                     "C:\\Windows\\lastgood\\SysWOW64\\a.dll"},
        RedirectCase{"C:\\Windows\\regedit.exe", "C:\\Windows\\SysWOW64\\regedit.exe"},
        // Exempt subfolders and everything below them.
        RedirectCase{"C:\\Windows\\System32\\drivers\\etc\\hosts", nullptr},
        RedirectCase{"C:\\windows\\system32\\DRIVERS\\ETC", nullptr},
        RedirectCase{"C:\\Windows\\System32\\catroot\\{F750E6C3}\\a.cat", nullptr},
        RedirectCase{"C:\\Windows\\System32\\catroot2\\edb.log", nullptr},
        RedirectCase{"C:\\Windows\\System32\\DriverStore\\FileRepository\\a.inf", nullptr},
        RedirectCase{"C:\\Windows\\System32\\LogFiles\\a.log", nullptr},
        RedirectCase{"C:\\Windows\\System32\\spool\\drivers\\a.dll", nullptr},
        RedirectCase{"C:\\Windows\\System32\\.\\drivers\\etc\\hosts", nullptr},
        // Exemptions are whole components: their neighbours are redirected.
        RedirectCase{"C:\\Windows\\System32\\drivers\\etcetera\\a",
                     "C:\\Windows\\SysWOW64\\drivers\\etcetera\\a"},
        RedirectCase{"C:\\Windows\\System32\\drivers", "C:\\Windows\\SysWOW64\\drivers"},
        RedirectCase{"C:\\Windows\\System32\\catroot3\\a", "C:\\Windows\\SysWOW64\\catroot3\\a"},
        // The 32-bit exe's alias for the native folder.
        RedirectCase{"C:\\Windows\\Sysnative\\cmd.exe", "C:\\Windows\\System32\\cmd.exe"},
        RedirectCase{"C:\\Windows\\sysnative\\drivers\\x.sys",
                     "C:\\Windows\\System32\\drivers\\x.sys"},
        // Outside System32: unchanged, to the byte.
        RedirectCase{"C:\\Windows\\SysWOW64\\cmd.exe", nullptr},
        RedirectCase{"C:\\Windows\\System32x\\a", nullptr},
        RedirectCase{"C:\\Windows\\System32\\..\\notepad.exe", nullptr},
        RedirectCase{"C:\\Windows\\Minidump\\a.dmp", nullptr},
        RedirectCase{"C:\\Windows\\notepad.exe", nullptr}, RedirectCase{"C:\\Windows", nullptr},
        RedirectCase{"D:\\Windows\\System32\\a", nullptr},
        RedirectCase{"C:\\Program Files\\System32\\a", nullptr},
        RedirectCase{"C:\\Windows\\regedit.exe\\a", nullptr},
        RedirectCase{"System32\\cmd.exe", nullptr}, RedirectCase{"C:System32", nullptr},
        RedirectCase{"\\\\server\\share\\Windows\\System32\\a", nullptr},
        RedirectCase{"\\\\?\\C:\\Windows\\Temp\\..\\System32\\a", nullptr},
        RedirectCase{"", nullptr}));

TEST(Wow64Rules, DriverStoreIsRedirectedBeforeWindows7) {
    const std::u16string path = u"C:\\Windows\\System32\\DriverStore\\a.inf";
    EXPECT_EQ(RedirectedFor32BitProcess(path, {u"C:\\Windows", false}),
              u"C:\\Windows\\SysWOW64\\DriverStore\\a.inf");
    EXPECT_EQ(RedirectedFor32BitProcess(path, {u"C:\\Windows", true}), path);
}

TEST(Wow64Rules, TheWindowsFolderIsTheMachines) {
    EXPECT_EQ(RedirectedFor32BitProcess(u"d:\\winnt\\system32\\a", {u"D:\\WINNT\\", true}),
              u"d:\\winnt\\SysWOW64\\a");
    EXPECT_EQ(RedirectedFor32BitProcess(u"C:\\Windows\\System32\\a", {u"D:\\WINNT", true}),
              u"C:\\Windows\\System32\\a");
    // An unknown Windows folder maps nothing.
    EXPECT_EQ(RedirectedFor32BitProcess(u"C:\\Windows\\System32\\a", {u"", true}),
              u"C:\\Windows\\System32\\a");
}

TEST(Wow64Rules, ShellFoldersAsThe32BitExeGetsThem) {
    constexpr int kCreate = 0x8000; // CSIDL_FLAG_CREATE
    const struct {
        int Csidl;
        bool ProcessIs64Bit;
        int Asked;
    } cases[] = {
        {kCsidlProgramFiles, true, kCsidlProgramFilesX86},
        {kCsidlProgramFilesCommon, true, kCsidlProgramFilesCommonX86},
        {kCsidlProgramFiles | kCreate, true, kCsidlProgramFilesX86 | kCreate},
        {kCsidlProgramFiles, false, kCsidlProgramFiles},
        {kCsidlProgramFilesCommon, false, kCsidlProgramFilesCommon},
        {kCsidlProgramFilesX86, true, kCsidlProgramFilesX86},
        {0x25 /* CSIDL_SYSTEM */, true, 0x25},
        {0x24 /* CSIDL_WINDOWS */, true, 0x24},
        {0x1a /* CSIDL_APPDATA */, true, 0x1a},
        {0x23 /* CSIDL_COMMON_APPDATA */, true, 0x23},
        {0x10 /* CSIDL_DESKTOPDIRECTORY */, true, 0x10},
        {0x07 /* CSIDL_STARTUP */, true, 0x07},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShellFolderFor32BitView(c.Csidl, c.ProcessIs64Bit), c.Asked)
            << std::hex << c.Csidl << " 64-bit " << c.ProcessIs64Bit;
    }
}

using Environment = std::map<std::u16string, std::u16string>;

EnvironmentLookup LookupIn(const Environment& environment) {
    return [&environment](std::u16string_view name) -> std::optional<std::u16string> {
        const auto at = environment.find(std::u16string(name));
        return at == environment.end() ? std::nullopt : std::optional(at->second);
    };
}

void Apply(Environment& environment, bool processIs64Bit) {
    for (const auto& change : EnvironmentFor32BitView(processIs64Bit, LookupIn(environment))) {
        environment[change.Name] = change.Value;
    }
}

// A 64-bit process's environment on x64 Windows 7 and later.
const Environment kNative64 = {
    {u"PROCESSOR_ARCHITECTURE", u"AMD64"},
    {u"ProgramFiles", u"C:\\Program Files"},
    {u"ProgramFiles(x86)", u"C:\\Program Files (x86)"},
    {u"ProgramW6432", u"C:\\Program Files"},
    {u"CommonProgramFiles", u"C:\\Program Files\\Common Files"},
    {u"CommonProgramFiles(x86)", u"C:\\Program Files (x86)\\Common Files"},
    {u"CommonProgramW6432", u"C:\\Program Files\\Common Files"},
    {u"SystemRoot", u"C:\\Windows"},
};

// What WOW64 gives a 32-bit process on the same machine.
const Environment kWow64 = {
    {u"PROCESSOR_ARCHITECTURE", u"x86"},
    {u"PROCESSOR_ARCHITEW6432", u"AMD64"},
    {u"ProgramFiles", u"C:\\Program Files (x86)"},
    {u"ProgramFiles(x86)", u"C:\\Program Files (x86)"},
    {u"ProgramW6432", u"C:\\Program Files"},
    {u"CommonProgramFiles", u"C:\\Program Files (x86)\\Common Files"},
    {u"CommonProgramFiles(x86)", u"C:\\Program Files (x86)\\Common Files"},
    {u"CommonProgramW6432", u"C:\\Program Files\\Common Files"},
    {u"SystemRoot", u"C:\\Windows"},
};

TEST(Wow64Rules, A64BitProcessTakesTheWow64Environment) {
    Environment environment = kNative64;
    Apply(environment, true);
    EXPECT_EQ(environment, kWow64);
    // A second start-up call changes nothing more.
    Apply(environment, true);
    EXPECT_EQ(environment, kWow64);
}

TEST(Wow64Rules, A32BitProcessKeepsItsEnvironment) {
    EXPECT_TRUE(EnvironmentFor32BitView(false, LookupIn(kWow64)).empty());
    const Environment x86Windows = {{u"PROCESSOR_ARCHITECTURE", u"x86"},
                                    {u"ProgramFiles", u"C:\\Program Files"}};
    EXPECT_TRUE(EnvironmentFor32BitView(false, LookupIn(x86Windows)).empty());
}

TEST(Wow64Rules, UnsetSourcesLeaveTheirVariablesAlone) {
    Environment environment = {{u"PROCESSOR_ARCHITECTURE", u"AMD64"},
                               {u"ProgramFiles", u"C:\\Program Files"}};
    Apply(environment, true);
    EXPECT_EQ(environment, (Environment{{u"PROCESSOR_ARCHITECTURE", u"x86"},
                                        {u"PROCESSOR_ARCHITEW6432", u"AMD64"},
                                        {u"ProgramFiles", u"C:\\Program Files"}}));
}

TEST(Wow64Rules, MainModulePathsThe32BitExeCanRead) {
    const struct {
        bool ProcessIs64Bit;
        bool TargetIs32Bit;
        bool TargetIsSelf;
        bool Reads;
    } cases[] = {
        {false, false, false, true}, // a 32-bit process asks Windows, which decides
        {false, true, false, true},  {true, true, false, true},
        {true, false, false, false}, // a 64-bit process: the 32-bit exe's query fails
        {true, false, true, true},   // the stand-in itself is the 32-bit exe
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadsMainModulePath(c.ProcessIs64Bit, c.TargetIs32Bit, c.TargetIsSelf), c.Reads)
            << c.ProcessIs64Bit << c.TargetIs32Bit << c.TargetIsSelf;
    }
}

} // namespace
} // namespace pv
