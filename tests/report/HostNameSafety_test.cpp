// The host names that may reach "cmd.exe /k ping HOST": whatever a registry override holds, only
// a plain host name gets onto the command line, so nothing can be appended to the command.
#include "report/NetworkEndpoints.h"
#include "report/PingCapture.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

class HostileOverride : public testing::TestWithParam<std::u16string> {};

TEST_P(HostileOverride, FallsBackToTheFixedHost) {
    const std::u16string host = PingHostFrom(GetParam());
    EXPECT_EQ(host, kPingHost);
    EXPECT_EQ(PingCommandLine(host), u"cmd.exe /k ping www.orvix.com");
    EXPECT_EQ(AddressServiceFrom(GetParam()).Host, kAddressServiceHost);
}

INSTANTIATE_TEST_SUITE_P(
    Injections, HostileOverride,
    testing::Values(u"localhost & calc.exe", u"localhost&calc", u"localhost|calc",
                    u"localhost>C:\\Windows\\x", u"localhost<in", u"%COMSPEC%", u"local^host",
                    u"localhost;calc", u"localhost,calc", u"a=b", u"(calc)", u"\"localhost\"",
                    u"'localhost'", u"-t localhost", u"-n", u".localhost", u"/?",
                    u"C:\\Windows\\calc", u"local/host", u"localhost\tcalc", u"localhost\r\ncalc",
                    u"localhost\ncalc", std::u16string(u"localhost\0calc", 14), u"localh\u00f6st",
                    u"localhost\uff06calc", u"localhost\u3000calc", u"!var!", u"`calc`", u"$(calc)",
                    std::u16string(254, u'a'), u""));

TEST(HostNameAllowlist, AcceptedNamesReachTheCommandLineUnchanged) {
    for (const std::u16string host :
         {u"localhost", u"127.0.0.1", u"www.orvix.com", u"a-b.example", u"A.B", u"x"}) {
        EXPECT_EQ(PingHostFrom(host), host);
        EXPECT_EQ(PingCommandLine(PingHostFrom(host)), u"cmd.exe /k ping " + host);
    }
    EXPECT_EQ(PingHostFrom(std::u16string(253, u'a')), std::u16string(253, u'a'));
}

TEST(HostNameAllowlist, AddressServicePortMustBeANumberInRange) {
    EXPECT_EQ(AddressServiceFrom(u"127.0.0.1:8080").Port, 8080);
    for (const char16_t* bad :
         {u"127.0.0.1:0", u"127.0.0.1:65536", u"127.0.0.1:", u"127.0.0.1:80x", u"127.0.0.1:+80",
          u"127.0.0.1:-1", u"127.0.0.1:8:8", u"[::1]:80", u"127.0.0.1:999999"}) {
        const HttpTarget target = AddressServiceFrom(bad);
        EXPECT_EQ(target.Host, kAddressServiceHost);
        EXPECT_EQ(target.Port, 80);
    }
}

} // namespace
} // namespace pv
