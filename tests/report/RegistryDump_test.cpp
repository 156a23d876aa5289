#include "report/RegistryDump.h"
#include "platform/RegistryData.h"
#include <gtest/gtest.h>

using namespace pv;

namespace {
std::vector<uint8_t> Bytes(std::initializer_list<int> b) {
    std::vector<uint8_t> v;
    for (int x : b) {
        v.push_back(static_cast<uint8_t>(x));
    }
    return v;
}
} // namespace

TEST(RegistryValueText, StringsUpToTheFirstNul) {
    EXPECT_EQ(RegistryValueText(kRegSz, Bytes({'A', 0, 0, 0, 'B', 0})), u"A");
    EXPECT_EQ(RegistryValueText(kRegExpandSz, Bytes({'%', 0, 'X', 0, '%', 0})), u"%X%");
    EXPECT_EQ(RegistryValueText(kRegSz, Bytes({'A', 0, 'B'})), u"A"); // odd length, no NUL
    EXPECT_EQ(RegistryValueText(kRegSz, {}), u"");
}

// A non-string value used to end the job without any archive; it is now written as plain text.
TEST(RegistryValueText, NonStringValuesNoLongerFailTheDump) {
    EXPECT_EQ(RegistryValueText(kRegDword, Bytes({0x39, 0x30, 0, 0})), u"12345");
    EXPECT_EQ(RegistryValueText(kRegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF})), u"4294967295");
    EXPECT_EQ(RegistryValueText(kRegDwordBigEndian, Bytes({0, 0, 0x30, 0x39})), u"12345");
    EXPECT_EQ(RegistryValueText(kRegQword, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})),
              u"18446744073709551615");
    EXPECT_EQ(RegistryValueText(kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0})), u"1");
    EXPECT_EQ(RegistryValueText(kRegBinary, Bytes({0x00, 0xAB, 0x7F})), u"00 AB 7F");
    EXPECT_EQ(RegistryValueText(kRegDword, Bytes({1, 2})), u"01 02"); // short DWORD
    EXPECT_EQ(RegistryValueText(kRegMultiSz, Bytes({'a', 0, 0, 0})), u"61 00 00 00");
    EXPECT_EQ(RegistryValueText(kRegBinary, {}), u"");
}

TEST(RegistryDumpLines, ThreeLinesInOrder) {
    const auto report = RegistryDumpLines(u"A", u"", u"");
    EXPECT_EQ(report.Lines(), (std::vector<std::u16string>{u"ftype=A", u"shareid=", u"share_id="}));
    EXPECT_EQ(report.Bytes().substr(0, 4), std::string("\xFF\xFE"
                                                       "f\0",
                                                       4));
}
