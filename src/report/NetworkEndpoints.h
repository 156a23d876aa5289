#pragma once
// The two network endpoints of the network checks, and how an administrator may aim them
// elsewhere (a test machine's loopback server): only through machine-wide registry values, which
// the unelevated user cannot plant.
#include "report/HttpRequest.h"
#include <optional>
#include <string>

namespace pv {

// The maker's web service host that the ping report pings.
inline constexpr char16_t kPingHost[] = u"www.orvix.com";
// The IPv4 what-is-my-address text service and the path it answers on.
inline constexpr char kAddressServiceHost[] = "ip4.whatsmyaddr.net";
inline constexpr char kAddressServicePath[] = "/all";

// HKEY_LOCAL_MACHINE key (32-bit view) and its optional values "PingHost" (a host name) and
// "AddressService" (a host name with an optional ":port").
inline constexpr char16_t kEndpointOverrideKey[] = u"SOFTWARE\\Orvix\\Plenvia\\Helper";
inline constexpr char16_t kPingHostValue[] = u"PingHost";
inline constexpr char16_t kAddressServiceValue[] = u"AddressService";

// The ping host: the override when it is a plain host name, else kPingHost.
std::u16string PingHostFrom(const std::u16string& overrideText);
// The address service's target: "host[:port]" of the override when it parses as such with a plain
// host name and a port of 1 to 65535, else kAddressServiceHost on port 80; the path is always
// kAddressServicePath.
HttpTarget AddressServiceFrom(const std::u16string& overrideText);

} // namespace pv
