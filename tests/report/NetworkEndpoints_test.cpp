#include "report/NetworkEndpoints.h"
#include <gtest/gtest.h>

using namespace pv;

TEST(NetworkEndpoints, DefaultsWithoutAnOverride) {
    EXPECT_EQ(PingHostFrom(u""), kPingHost);
    const HttpTarget t = AddressServiceFrom(u"");
    EXPECT_EQ(t.Host, kAddressServiceHost);
    EXPECT_EQ(t.Port, 80);
    EXPECT_EQ(t.Path, "/all");
}

TEST(NetworkEndpoints, OverridesTakeOnlyPlainHostsAndPorts) {
    EXPECT_EQ(PingHostFrom(u"localhost"), u"localhost");
    EXPECT_EQ(PingHostFrom(u"x & calc.exe"), kPingHost);
    const HttpTarget t = AddressServiceFrom(u"127.0.0.1:8080");
    EXPECT_EQ(t.Host, "127.0.0.1");
    EXPECT_EQ(t.Port, 8080);
    EXPECT_EQ(t.Path, "/all");
    EXPECT_EQ(AddressServiceFrom(u"svc.example").Host, "svc.example");
    for (const char16_t* bad :
         {u"h:0", u"h:65536", u"h:", u"h:8x", u":80", u"h h:80", u"h\r\nX: y:80", u"h:123456"}) {
        const HttpTarget fallback = AddressServiceFrom(bad);
        EXPECT_EQ(fallback.Host, kAddressServiceHost);
        EXPECT_EQ(fallback.Port, 80);
    }
}
