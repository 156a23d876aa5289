#include "sysinfo/AppFuncs.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

WindowsVersion Version(uint32_t major, uint32_t minor, uint8_t productType, uint16_t arch,
                       uint32_t build = 1000) {
    WindowsVersion v;
    v.PlatformId = 2;
    v.Major = major;
    v.Minor = minor;
    v.ProductType = productType;
    v.Architecture = arch;
    v.Build = build;
    return v;
}

struct NameCase {
    WindowsVersion Version;
    const char* Name;
    uint32_t Flag;
};

class WindowsNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(WindowsNameTest, NameAndFlag) {
    EXPECT_EQ(ToUtf8(WindowsNameFor(GetParam().Version)), GetParam().Name);
    EXPECT_EQ(OSFlagFor(GetParam().Version), GetParam().Flag);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, WindowsNameTest,
    testing::Values(NameCase{Version(10, 0, 1, 9, 19045), "Windows 10 x64 Build 19045", 0x2000000},
                    NameCase{Version(10, 0, 1, 0), "Windows 10 x86 Build 1000", 0x1000000},
                    NameCase{Version(6, 4, 1, 6), "Windows 10 Preview ia64 Build 1000", 0x4000000},
                    NameCase{Version(6, 1, 1, 9, 7601), "Windows 7 x64 Build 7601", 0x80},
                    NameCase{Version(6, 3, 1, 0), "Windows 8.1 x86 Build 1000", 0x200000},
                    NameCase{Version(6, 3, 3, 9, 9600), "Windows Unknown(6.3) x64 Build 9600", 0},
                    NameCase{Version(5, 2, 1, 9), "Windows XP x64 Build 1000", 0x2},
                    NameCase{Version(5, 2, 2, 0), "Windows Server 2003 x86 Build 1000", 0x1000},
                    NameCase{Version(6, 1, 3, 9), "Windows Server 2008 x64 Build 1000", 0x10000},
                    NameCase{Version(6, 2, 3, 6), "Windows Server 2012 ia64 Build 1000", 0x100000},
                    NameCase{Version(5, 0, 1, 0), "Windows 2000 x86 Build 1000", 0},
                    // An unknown architecture gets no suffix and no flag.
                    NameCase{Version(10, 0, 1, 12), "Windows 10 Build 1000", 0}));

TEST(WindowsName, SuffixesInOrder) {
    WindowsVersion v = Version(5, 2, 3, 9, 3790);
    v.ServerR2 = true;
    v.ServicePack = u"Service Pack 2";
    EXPECT_EQ(ToUtf8(WindowsNameFor(v)), "Windows Server 2003 R2 x64 Service Pack 2 Build 3790");
}

TEST(WindowsName, OnlyTheNtPlatformIsNamed) {
    WindowsVersion v = Version(4, 10, 1, 0);
    v.PlatformId = 1;
    EXPECT_EQ(WindowsNameFor(v), u"");
    EXPECT_EQ(OSFlagFor(v), 0u);
}

struct ZoneCase {
    uint32_t Result;
    long Bias, StandardBias, DaylightBias;
    const char* Text;
};
class TimeZoneTest : public testing::TestWithParam<ZoneCase> {};

TEST_P(TimeZoneTest, Text) {
    const auto& c = GetParam();
    EXPECT_EQ(
        ToUtf8(TimeZoneTextFor(c.Result, c.Bias, c.StandardBias, c.DaylightBias, u"Std", u"Dst")),
        c.Text);
}

INSTANTIATE_TEST_SUITE_P(Offsets, TimeZoneTest,
                         testing::Values(ZoneCase{1, -330, 0, -60, "Std (UTC05:30)"},
                                         ZoneCase{0, 480, 0, -60, "Std (UTC-08:00)"},
                                         ZoneCase{1, 210, 0, -60, "Std (UTC-03:30)"},
                                         ZoneCase{1, 0, 0, -60, "Std (UTC00:00)"},
                                         ZoneCase{2, 480, 0, -60, "Dst (UTC-07:00)"},
                                         ZoneCase{1, 300, 15, -60, "Std (UTC-05:15)"},
                                         ZoneCase{0xFFFFFFFF, 0, 0, 0, ""}));

} // namespace
} // namespace pv
