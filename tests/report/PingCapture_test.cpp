#include "report/PingCapture.h"
#include <gtest/gtest.h>

using namespace pv;

TEST(PingCaptureRule, BothBracketsStopAtOnceEvenMidLine) {
    PingCaptureRule rule(u"www.orvix.com");
    EXPECT_FALSE(rule.AddChunk(u"\r\nPinging www.orvix.com "));
    EXPECT_TRUE(rule.AddChunk(u"[203.0.113.7] with 32 "));
    EXPECT_EQ(rule.Text(), u"\r\nPinging www.orvix.com [203.0.113.7] with 32 ");
}

TEST(PingCaptureRule, BracketsMayArriveInSeparateChunksInAnyOrder) {
    PingCaptureRule rule(u"h");
    EXPECT_FALSE(rule.AddChunk(u"]"));
    EXPECT_TRUE(rule.AddChunk(u"["));
}

TEST(PingCaptureRule, APauseStopsOnceTheHostIsNamed) {
    PingCaptureRule rule(u"nohost.invalid");
    EXPECT_FALSE(rule.StopWhenIdle()); // nothing yet: keep waiting
    EXPECT_FALSE(rule.AddChunk(u"Ping request could not find host "));
    EXPECT_FALSE(rule.StopWhenIdle());
    EXPECT_FALSE(rule.AddChunk(u"nohost.invalid. Please check the name and try again.\r\n"));
    EXPECT_TRUE(rule.StopWhenIdle());
}

TEST(PingCaptureRule, APauseStopsAfterMoreThan65Units) {
    PingCaptureRule rule(u"www.orvix.com");
    rule.AddChunk(std::u16string(65, u'x'));
    EXPECT_FALSE(rule.StopWhenIdle());
    rule.AddChunk(u"y");
    EXPECT_TRUE(rule.StopWhenIdle());
}

TEST(PingCommandLine, IsCmdWithPing) {
    EXPECT_EQ(PingCommandLine(u"www.orvix.com"), u"cmd.exe /k ping www.orvix.com");
}

struct HostCase {
    const char16_t* Host;
    bool Plain;
};
class PlainHostNameTest : public testing::TestWithParam<HostCase> {};
TEST_P(PlainHostNameTest, AllowsOnlyNameCharacters) {
    EXPECT_EQ(IsPlainHostName(GetParam().Host), GetParam().Plain);
}
INSTANTIATE_TEST_SUITE_P(Names, PlainHostNameTest,
                         testing::Values(HostCase{u"www.orvix.com", true},
                                         HostCase{u"localhost", true}, HostCase{u"127.0.0.1", true},
                                         HostCase{u"a-b.example", true}, HostCase{u"", false},
                                         HostCase{u"a b", false}, HostCase{u"a&calc", false},
                                         HostCase{u"a|b", false}, HostCase{u"\"a\"", false},
                                         HostCase{u"-n", false}, HostCase{u"a\r\nb", false},
                                         HostCase{u"h\u00e9", false}));

TEST(PlainHostName, LengthLimit) {
    EXPECT_TRUE(IsPlainHostName(std::u16string(253, u'a')));
    EXPECT_FALSE(IsPlainHostName(std::u16string(254, u'a')));
}
