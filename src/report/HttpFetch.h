#pragma once
// One GET with the redirection and status rules, over any byte transport (Winsock on Windows,
// scripted connections in tests).
#include "report/HttpRequest.h"
#include <memory>
#include <string>

namespace pv {

class HttpConnection {
public:
    virtual ~HttpConnection() = default;
    virtual bool SendAll(std::string_view bytes) = 0;
    enum class Received { Data, Closed, Failed };
    // Waits for bytes; Failed covers errors and the inactivity limit.
    virtual Received Receive(std::string& chunk) = 0;
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Nothing when the name does not resolve or no connection can be made.
    virtual std::unique_ptr<HttpConnection> Connect(const std::string& host, uint16_t port) = 0;
};

inline constexpr int kMaxHttpRedirects = 5;
// A larger answer is not what-is-my-address text: the fetch fails rather than fill memory.
inline constexpr size_t kMaxHttpBody = size_t{4} * 1024 * 1024;

// Sends the request, follows at most kMaxHttpRedirects redirections (a 3xx answer with a Location)
// and returns true when the final status succeeds and the body arrived whole. `body` holds the
// final answer's body, or as much of it as arrived.
bool HttpFetch(HttpTransport& transport, const HttpTarget& target, std::string& body);

} // namespace pv
