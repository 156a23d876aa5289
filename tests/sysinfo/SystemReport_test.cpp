#include "sysinfo/BSOD.h"
#include "sysinfo/SysInfo.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

struct DurationCase {
    long long Seconds;
    const char* Text;
};
class DurationTextTest : public testing::TestWithParam<DurationCase> {};

TEST_P(DurationTextTest, Text) {
    EXPECT_EQ(ToUtf8(DurationText(GetParam().Seconds)), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Durations, DurationTextTest,
    testing::Values(DurationCase{0, ""}, DurationCase{-5, ""}, DurationCase{1, "1 second "},
                    DurationCase{59, "59 seconds "}, DurationCase{60, "1 minute "},
                    DurationCase{3700, "1 hour 1 minute "}, DurationCase{7200, "2 hours "},
                    DurationCase{86400, "1 day "},
                    DurationCase{2 * 86400 + 5 * 3600 + 59, "2 days 5 hours "},
                    DurationCase{86400 + 60, "1 day "}));

TEST(ProgramUpTime, MillisecondsUnderOneSecond) {
    EXPECT_EQ(ToUtf8(ProgramUpTimeText(1000, 1400)), "400 milliseconds");
    EXPECT_EQ(ToUtf8(ProgramUpTimeText(1000, 1001)), "1 milliseconds");
    EXPECT_EQ(ToUtf8(ProgramUpTimeText(1000, 1999)), "999 milliseconds");
    EXPECT_EQ(ToUtf8(ProgramUpTimeText(1000, 2000)), "1 second ");
    EXPECT_EQ(ToUtf8(ProgramUpTimeText(1000, 62000)), "1 minute 1 second ");
    EXPECT_EQ(ProgramUpTimeText(0, 5000), u"");
}

TEST(Counters, NoOverflowForLargeCounters) {
    // Ten days of a 10 MHz counter times 1000 still fits; the split keeps larger ones exact too.
    EXPECT_EQ(CounterMilliseconds(8640000000000LL, 10000000), 864000000LL);
    EXPECT_EQ(CounterMilliseconds(9000000000000000000LL, 3000000000LL), 3000000000000LL);
    EXPECT_EQ(CounterMilliseconds(5, 0), 0);
    EXPECT_EQ(CounterSeconds(25, 10), 2);
}

struct CompactCase {
    uint64_t Bytes;
    const char* Text;
};
class CompactSizeTest : public testing::TestWithParam<CompactCase> {};

TEST_P(CompactSizeTest, Text) {
    EXPECT_EQ(ToUtf8(CompactSizeText(GetParam().Bytes, u',')), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CompactSizeTest,
                         testing::Values(CompactCase{0, "0 Bytes"}, CompactCase{1023, "1023 Bytes"},
                                         CompactCase{1024, "1,00 KB"}, CompactCase{1536, "1,50 KB"},
                                         CompactCase{1048575, "1023,99 KB"},
                                         CompactCase{1048576, "1,00 MB"},
                                         CompactCase{5ULL << 30, "5,00 GB"}));

TEST(Facts, LabelsAreNineteenCharacters) {
    EXPECT_EQ(FactLine(u"Operating System", u"W"), u"Operating System : W");
    EXPECT_EQ(FactLine(u"BSOD Time", u"N/A"), u"BSOD Time        : N/A");
    EXPECT_EQ(FactLine(u"Log Time", u"").size(), 19u);
}

TEST(Facts, ProcessorNameAndCount) {
    EXPECT_EQ(CleanProcessorName(u"  Intel(R)   Core(TM)  i7 \t"), u"Intel(R) Core(TM) i7");
    EXPECT_EQ(CountProcessors([](int n) { return n < 4; }), 4);
    EXPECT_EQ(CountProcessors([](int) { return true; }), 16);
    EXPECT_EQ(CountProcessors([](int) { return false; }), 1);
    EXPECT_EQ(RoundToMegabytes(524287), 0u);
    EXPECT_EQ(RoundToMegabytes(524288), 1u);
}

TEST(CrashTime, AgainstTheInstallationDate) {
    EXPECT_FALSE(ShowCrashTime(0, 0));
    EXPECT_TRUE(ShowCrashTime(45000.5, 0));       // no installation date
    EXPECT_TRUE(ShowCrashTime(45000.5, 45000.5)); // equal
    EXPECT_FALSE(ShowCrashTime(45000.5, 45001));  // crash predates the installation
    EXPECT_TRUE(ShowCrashTime(45002, 45001));
}

TEST(Minidumps, NewestFirstAndStable) {
    std::vector<MinidumpEntry> list;
    InsertNewestFirst(list, {u"old", 100});
    InsertNewestFirst(list, {u"new", 300});
    InsertNewestFirst(list, {u"mid", 200});
    InsertNewestFirst(list, {u"mid2", 200}); // equal time keeps the search order
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].Path, u"new");
    EXPECT_EQ(list[1].Path, u"mid");
    EXPECT_EQ(list[2].Path, u"mid2");
    EXPECT_EQ(list[3].Path, u"old");
}

TEST(RestorePoints, LinesAndTheCancelledType) {
    const RestorePoint cancelled{u"Installed X", u"2024-01-02", 13};
    EXPECT_EQ(RestorePointLine(cancelled, 10).value(), u"2024-01-02 | Installed X | 13");
    EXPECT_FALSE(RestorePointLine(cancelled, 5).has_value());
    EXPECT_TRUE(RestorePointLine({u"a", u"b", 0}, 5).has_value());
}

TEST(RestorePoints, CloseIsCalledOnceEvenWithoutPoints) {
    std::vector<std::u16string> lines = RestoreSectionHead();
    int closes = 0;
    EnumerateRestorePoints(
        lines, 10, [](RestorePoint&) { return 1; }, [](RestorePoint&) { return 0; },
        [&] { ++closes; });
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"", u"===== System Restore =====", u""}));
}

TEST(RestorePoints, EnumeratesUntilNextFails) {
    std::vector<std::u16string> lines;
    int served = 0;
    auto give = [&](RestorePoint& p) {
        if (served == 3) {
            return 5;
        }
        ++served;
        p = {u"desc" + ToText(served), u"time", served == 2 ? 13 : 0};
        return 0;
    };
    int closes = 0;
    EnumerateRestorePoints(lines, 5, give, give, [&] { ++closes; });
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"time | desc1 | 0", u"time | desc3 | 0"}));
    EXPECT_EQ(closes, 1);
}

} // namespace
} // namespace pv
