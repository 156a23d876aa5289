#include "sysinfo/AppFuncs.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

const NumberSeparators kGerman{u'.', u','};
const NumberSeparators kEnglish{u',', u'.'};

std::string Fmt(std::u16string_view pattern, std::initializer_list<FormatArg> args,
                const NumberSeparators& sep = kEnglish) {
    return ToUtf8(SafeFormat(pattern, args, sep));
}

TEST(SafeFormat, Conversions) {
    EXPECT_EQ(Fmt(u"%s [%d] %s", {u"a.exe", 42, u""}), "a.exe [42] ");
    EXPECT_EQ(Fmt(u"%.2d:%.2d", {-3, 5}), "-03:05");
    EXPECT_EQ(Fmt(u"%.8x", {0x1a2bL}), "00001A2B");
    EXPECT_EQ(Fmt(u"%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Fmt(u"%5d|%-5d|", {7, 7}), "    7|7    |");
    EXPECT_EQ(Fmt(u"%*d", {4, 7}), "   7");
    EXPECT_EQ(Fmt(u"%1:s %0:s", {u"a", u"b"}), "b a");
    EXPECT_EQ(Fmt(u"%.3s", {u"abcdef"}), "abc");
    EXPECT_EQ(Fmt(u"100%%", {}), "100%");
    EXPECT_EQ(Fmt(u"%.2f", {2.5}), "2.50");
    EXPECT_EQ(Fmt(u"%n", {1234567.891}), "1,234,567.89");
    EXPECT_EQ(Fmt(u"%.1n", {-1234.56}, kGerman), "-1.234,6");
    EXPECT_EQ(Fmt(u"%.0n", {999.5}), "1,000");
}

TEST(SafeFormat, FailureGivesThePattern) {
    EXPECT_EQ(Fmt(u"%d items", {u"text"}), "%d items");
    EXPECT_EQ(Fmt(u"%s and %s", {u"one"}), "%s and %s");
    EXPECT_EQ(Fmt(u"%f", {3}), "%f");
    EXPECT_EQ(Fmt(u"%q", {3}), "%q");
    EXPECT_EQ(Fmt(u"ends with %", {}), "ends with %");
}

TEST(SafeFormat, RoundsTiesAwayFromZero) {
    // 1.125 is exact in binary; printf would give 1.12.
    EXPECT_EQ(Fmt(u"%.2n", {1.125}), "1.13");
    EXPECT_EQ(Fmt(u"%.2f", {0.005}), "0.01");
}

struct SizeCase {
    int Decimals;
    uint64_t Size;
    const char* Text;
};
class FormatByteSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(FormatByteSizeTest, Text) {
    EXPECT_EQ(ToUtf8(FormatByteSize(GetParam().Decimals, GetParam().Size, kGerman)),
              GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FormatByteSizeTest,
    testing::Values(SizeCase{2, 0, "0 B"}, SizeCase{2, 1023, "1023 B"},
                    SizeCase{2, 1024, "1,00 KB"}, SizeCase{2, 1048575, "1.024,00 KB"},
                    SizeCase{2, 1048576, "1,00 MB"}, SizeCase{2, 5ULL << 30, "5,00 GB"},
                    SizeCase{2, 1000204886016ULL, "931,51 GB"}, SizeCase{0, 1536, "2 KB"},
                    SizeCase{1, 3ULL << 40, "3.072,0 GB"}));

TEST(SplitByDelimiter, Items) {
    std::vector<std::u16string> out{u"stale"};
    EXPECT_EQ(SplitByDelimiter(u"a|b|c", u"|", out), 3);
    EXPECT_EQ(out, (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_EQ(SplitByDelimiter(u"a||", u"|", out), 3);
    EXPECT_EQ(out, (std::vector<std::u16string>{u"a", u"", u""}));
    EXPECT_EQ(SplitByDelimiter(u" a |b", u"|", out), 2);
    EXPECT_EQ(out[0], u" a ");
    EXPECT_EQ(SplitByDelimiter(u"   ", u"|", out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(SplitByDelimiter(u"x::y", u"::", out), 2);
    EXPECT_EQ(out[1], u"y");
}

TEST(RegistryText, TypesAndDefault) {
    const std::vector<uint8_t> text{'a', 0, 'b', 0, 0, 0, 'c', 0};
    EXPECT_EQ(RegistryTextFromBytes(1, text, u"d"), u"ab");
    EXPECT_EQ(RegistryTextFromBytes(7, text, u"d"), u"ab");
    // Other types: raw bytes as UTF-16 units, size div 2 of them (odd byte dropped).
    EXPECT_EQ(RegistryTextFromBytes(3, {'x', 0, 'y', 0, 'z'}, u"d"), u"xy");
    EXPECT_EQ(RegistryTextFromBytes(1, {}, u"d"), u"d");
    EXPECT_EQ(RegistryTextFromBytes(1, {0, 0}, u"d"), u"d");
}

} // namespace
} // namespace pv
