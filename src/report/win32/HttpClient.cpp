// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "report/win32/HttpClient.h"
#include "platform/TimeLimit.h"
#include <chrono>
#include <memory>
#include <optional>

namespace pv {

namespace {

struct AddressListFree {
    void operator()(addrinfo* list) const noexcept { ::freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListFree>;

// The name lookup on a helper thread, so a resolver that never answers costs at most `ms`; an
// abandoned lookup frees its own result when it finishes. `abandoned` is set when the lookup may
// still be running.
AddressList ResolveIPv4(const std::string& host, uint16_t port, unsigned long ms, bool& abandoned) {
    std::optional<AddressList> found = RunWithTimeLimit(
        [host, port]() {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_protocol = IPPROTO_TCP;
            addrinfo* list = nullptr;
            if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) {
                list = nullptr;
            }
            return AddressList(list);
        },
        std::chrono::milliseconds(ms));
    if (!found) {
        abandoned = true;
        return nullptr;
    }
    return std::move(*found);
}

class SocketConnection : public HttpConnection {
public:
    SocketConnection(SOCKET s, unsigned long inactivityMs)
        : socket_(s), inactivityMs_(inactivityMs) {}
    ~SocketConnection() override { ::closesocket(socket_); }
    SocketConnection(const SocketConnection&) = delete;
    SocketConnection& operator=(const SocketConnection&) = delete;

    bool SendAll(std::string_view bytes) override {
        while (!bytes.empty()) {
            if (!Wait(false)) {
                return false;
            }
            const int piece = bytes.size() > 65536 ? 65536 : static_cast<int>(bytes.size());
            const int sent = ::send(socket_, bytes.data(), piece, 0);
            if (sent == SOCKET_ERROR) {
                if (::WSAGetLastError() == WSAEWOULDBLOCK) {
                    continue;
                }
                return false;
            }
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    Received Receive(std::string& chunk) override {
        char buffer[16 * 1024];
        for (;;) {
            if (!Wait(true)) {
                return Received::Failed;
            }
            const int got = ::recv(socket_, buffer, sizeof buffer, 0);
            if (got > 0) {
                chunk.assign(buffer, static_cast<size_t>(got));
                return Received::Data;
            }
            if (got == 0) {
                return Received::Closed;
            }
            if (::WSAGetLastError() != WSAEWOULDBLOCK) {
                return Received::Failed;
            }
        }
    }

    // Waits until the socket can be read (or written); false on error or after the limit.
    bool Wait(bool forRead) { return WaitSocket(socket_, forRead, inactivityMs_); }

    static bool WaitSocket(SOCKET s, bool forRead, unsigned long ms) {
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval limit{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
        const int n =
            ::select(0, forRead ? &ready : nullptr, forRead ? nullptr : &ready, &failed, &limit);
        return n > 0 && FD_ISSET(s, &ready) && !FD_ISSET(s, &failed);
    }

private:
    SOCKET socket_;
    unsigned long inactivityMs_;
};

} // namespace

WinsockTransport::WinsockTransport(unsigned long inactivityMs) : inactivityMs_(inactivityMs) {
    WSADATA data{};
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockTransport::~WinsockTransport() {
    // A lookup still running on its helper thread keeps Winsock for itself.
    if (started_ && !abandoned_) {
        ::WSACleanup();
    }
}

std::unique_ptr<HttpConnection> WinsockTransport::Connect(const std::string& host, uint16_t port) {
    if (!started_) {
        return nullptr;
    }
    const AddressList found = ResolveIPv4(host, port, inactivityMs_, abandoned_);
    if (!found) {
        return nullptr;
    }
    std::unique_ptr<HttpConnection> connection;
    for (const addrinfo* a = found.get(); a && !connection; a = a->ai_next) {
        const SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) {
            continue;
        }
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        const int rc = ::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen));
        bool connected = rc == 0;
        if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK &&
            SocketConnection::WaitSocket(s, false, inactivityMs_)) {
            int error = 0;
            int size = sizeof error;
            connected = ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                                     &size) == 0 &&
                        error == 0;
        }
        if (connected) {
            connection = std::make_unique<SocketConnection>(s, inactivityMs_);
        } else {
            ::closesocket(s);
        }
    }
    return connection;
}

} // namespace pv
