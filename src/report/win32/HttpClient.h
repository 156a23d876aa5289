#pragma once
// Plain-HTTP transport over Winsock for HttpFetch: IPv4, direct (no proxy), every wait bounded.
#include "report/HttpFetch.h"

namespace pv {

// Nothing sent or received for this long fails the exchange.
inline constexpr unsigned long kHttpInactivityMs = 30 * 1000;

class WinsockTransport : public HttpTransport {
public:
    explicit WinsockTransport(unsigned long inactivityMs = kHttpInactivityMs);
    ~WinsockTransport() override;
    WinsockTransport(const WinsockTransport&) = delete;
    WinsockTransport& operator=(const WinsockTransport&) = delete;

    // Nothing when Winsock could not start, the name does not resolve to an IPv4 address within
    // the limit, or no address accepts the connection within the limit.
    std::unique_ptr<HttpConnection> Connect(const std::string& host, uint16_t port) override;

private:
    unsigned long inactivityMs_;
    bool started_ = false;
    bool abandoned_ = false; // a name lookup outlived the limit
};

} // namespace pv
