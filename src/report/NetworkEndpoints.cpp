#include "report/NetworkEndpoints.h"
#include "platform/Text.h"
#include "report/PingCapture.h"

namespace pv {

std::u16string PingHostFrom(const std::u16string& overrideText) {
    return IsPlainHostName(overrideText) ? overrideText : std::u16string(kPingHost);
}

HttpTarget AddressServiceFrom(const std::u16string& overrideText) {
    HttpTarget target{kAddressServiceHost, 80, kAddressServicePath};
    std::u16string host = overrideText;
    uint32_t port = 80;
    if (const size_t colon = overrideText.find(u':'); colon != std::u16string::npos) {
        host = overrideText.substr(0, colon);
        const std::u16string digits = overrideText.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) {
            return target;
        }
        port = 0;
        for (const char16_t c : digits) {
            if (c < u'0' || c > u'9') {
                return target;
            }
            port = port * 10 + static_cast<uint32_t>(c - u'0');
        }
        if (port == 0 || port > 65535) {
            return target;
        }
    }
    if (!IsPlainHostName(host)) {
        return target;
    }
    target.Host = ToUtf8(host);
    target.Port = static_cast<uint16_t>(port);
    return target;
}

} // namespace pv
