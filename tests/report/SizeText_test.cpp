#include "report/MemoryDumpList.h"
#include "report/SizeText.h"
#include <gtest/gtest.h>

using namespace pv;

struct SizeCase {
    uint64_t Bytes;
    const char16_t* Text;
};

class SizeTextTest : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeTextTest, FollowsTheTwoDecimalPattern) {
    EXPECT_EQ(SizeText(GetParam().Bytes, u'.'), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Units, SizeTextTest,
    testing::Values(SizeCase{0, u" bytes"}, SizeCase{1, u"1 bytes"}, SizeCase{1024, u"1024 bytes"},
                    SizeCase{1025, u"1 KB"}, SizeCase{1536, u"1.5 KB"}, SizeCase{131072, u"128 KB"},
                    SizeCase{1048576, u"1024 KB"}, SizeCase{2621440, u"2.5 MB"},
                    SizeCase{1073741824, u"1024 MB"}, SizeCase{1073741825, u"1 GB"},
                    // 1152 and 1664 bytes are exactly 1.125 and 1.625 KB: halves go away from
                    // zero (round-half-even would give 1.12 and 1.62); 1.999 KB carries.
                    SizeCase{1152, u"1.13 KB"}, SizeCase{1664, u"1.63 KB"}, SizeCase{2047, u"2 KB"},
                    SizeCase{5ull << 40, u"5120 GB"}, SizeCase{UINT64_MAX, u"17179869184 GB"}));

TEST(SizeText, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(SizeText(1536, u','), u"1,5 KB");
    EXPECT_EQ(FormatHundredths(1, 4, u'.'), u".25"); // no leading zero
    EXPECT_EQ(FormatHundredths(105, 100, u'.'), u"1.05");
    EXPECT_EQ(FormatHundredths(1005, 1000, u'.'), u"1.01"); // exactly half rounds up
}

TEST(DosDateTime, ConvertsToDaysSince1899) {
    // 2019-03-14 13:45:30 -> 43538 + (13*3600+45*60+30)/86400
    const uint16_t date = static_cast<uint16_t>(((2019 - 1980) << 9) | (3 << 5) | 14);
    const uint16_t time = static_cast<uint16_t>((13 << 11) | (45 << 5) | 15);
    EXPECT_DOUBLE_EQ(DosDateTimeToValue(date, time), 43538 + 49530 / 86400.0);
}

TEST(DosDateTime, InvalidFieldsGiveZero) {
    EXPECT_EQ(DosDateTimeToValue(0, 0), 0); // month 0
    const uint16_t feb30 = static_cast<uint16_t>((40 << 9) | (2 << 5) | 30);
    EXPECT_EQ(DosDateTimeToValue(feb30, 0), 0);
    const uint16_t feb29Leap = static_cast<uint16_t>((40 << 9) | (2 << 5) | 29); // 2020
    EXPECT_NE(DosDateTimeToValue(feb29Leap, 0), 0);
    EXPECT_EQ(DosDateTimeToValue(feb29Leap, static_cast<uint16_t>(24 << 11)), 0);
}

TEST(MemoryDumpLines, MinidumpsThenTheFullDump) {
    const std::vector<DumpFileFacts> minis = {{u"C:\\m\\b.dmp", 131072, u"3/14/2019", u"3/15/2019"},
                                              {u"C:\\m\\a.dmp", 2621440, u"1/1/2019", u"1/2/2019"}};
    const DumpFileFacts full{u"C:\\Windows\\MEMORY.DMP", 1025, u"2/2/2020", u"2/3/2020"};
    const auto lines = MemoryDumpLines(minis, full, u'.').Lines();
    const std::vector<std::u16string> expected = {u"C:\\m\\b.dmp",
                                                  u"128 KB",
                                                  u"CreateTime: 3/14/2019",
                                                  u"ModifyTime: 3/15/2019",
                                                  u"",
                                                  u"",
                                                  u"C:\\m\\a.dmp",
                                                  u"2.5 MB",
                                                  u"CreateTime: 1/1/2019",
                                                  u"ModifyTime: 1/2/2019",
                                                  u"",
                                                  u"",
                                                  u"",
                                                  u"",
                                                  u"C:\\Windows\\MEMORY.DMP",
                                                  u"1 KB",
                                                  u"CreateTime: 2/2/2020",
                                                  u"ModifyTime: 2/3/2020"};
    EXPECT_EQ(lines, expected);
}

// Wine keeps no creation time of its own (one set with SetFileTime reads back as the last write),
// so only this seam shows a listing that took one time for the other.
TEST(MemoryDumpLines, CreateTimeIsTheCreationAndModifyTimeTheLastWrite) {
    const auto timeOf = [](FileTimeKind kind) {
        return kind == FileTimeKind::Creation ? 1.0 : kind == FileTimeKind::LastWrite ? 2.0 : 3.0;
    };
    const auto dateText = [](double value) {
        return value == 1.0 ? std::u16string(u"created") : value == 2.0 ? u"written" : u"read";
    };
    const DumpFileFacts facts = DumpFactsOf(u"C:\\m\\a.dmp", 7, timeOf, dateText);
    const auto lines = MemoryDumpLines({facts}, std::nullopt, u'.').Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], u"CreateTime: created");
    EXPECT_EQ(lines[3], u"ModifyTime: written");
}

TEST(MemoryDumpLines, OnlyAFullDumpBeginsWithTwoEmptyLines) {
    const DumpFileFacts full{u"C:\\MEMORY.DMP", 0, u"12/30/1899", u"12/30/1899"};
    const auto lines = MemoryDumpLines({}, full, u'.').Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], u"");
    EXPECT_EQ(lines[1], u"");
    EXPECT_EQ(lines[3], u" bytes");
    EXPECT_TRUE(MemoryDumpLines({}, std::nullopt, u'.').Empty());
}
