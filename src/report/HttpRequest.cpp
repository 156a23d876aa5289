#include "report/HttpRequest.h"
#include <algorithm>

namespace pv {

namespace {

constexpr size_t kMaxHeadBytes = size_t{64} * 1024;
constexpr size_t kMaxChunkLine = size_t{4} * 1024;

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerChar(x) == LowerChar(y);
           });
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

// Visible ASCII only: the path goes on the request line as it stands.
bool IsPathText(std::string_view path) {
    return !path.empty() && path.front() == '/' &&
           std::all_of(path.begin(), path.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

bool ParseDecimal(std::string_view s, uint64_t& value) {
    if (s.empty() || s.size() > 18) {
        return false;
    }
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

} // namespace

std::string BuildHttpGet(const HttpTarget& target) {
    std::string host = target.Host;
    if (target.Port != 80) {
        host += ":" + std::to_string(target.Port);
    }
    return "GET " + target.Path + " HTTP/1.0\r\n" +
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n" +
           "User-Agent: Mozilla/4.0\r\n" + "Host: " + host + "\r\n\r\n";
}

bool HttpStatusSucceeds(int status) {
    return status < 400 || status == 401 || status == 407;
}

std::optional<HttpTarget> ResolveRedirect(const HttpTarget& current, std::string_view location) {
    location = TrimBlanks(location);
    if (const size_t hash = location.find('#'); hash != std::string_view::npos) {
        location = location.substr(0, hash);
    }
    HttpTarget next = current;
    std::string_view authority;
    if (StartsNoCase(location, "http://")) {
        location.remove_prefix(7);
    } else if (location.substr(0, 2) == "//") {
        location.remove_prefix(2);
    } else if (location.find("://") != std::string_view::npos || StartsNoCase(location, "https:")) {
        return std::nullopt;
    } else {
        // Same server: an absolute path, or one relative to the current path's folder.
        if (location.empty()) {
            return std::nullopt;
        }
        if (location.front() == '/') {
            next.Path = std::string(location);
        } else {
            std::string base = current.Path.substr(0, current.Path.find('?'));
            base = base.substr(0, base.rfind('/') + 1);
            next.Path = base + std::string(location);
        }
        return IsPathText(next.Path) ? std::optional<HttpTarget>(next) : std::nullopt;
    }
    const size_t slash = location.find_first_of("/?");
    authority = location.substr(0, slash);
    next.Path = slash == std::string_view::npos ? "/" : std::string(location.substr(slash));
    if (!next.Path.empty() && next.Path.front() == '?') {
        next.Path = "/" + next.Path;
    }
    next.Port = 80;
    if (const size_t colon = authority.find(':'); colon != std::string_view::npos) {
        uint64_t port = 0;
        if (!ParseDecimal(authority.substr(colon + 1), port) || port == 0 || port > 65535) {
            return std::nullopt;
        }
        next.Port = static_cast<uint16_t>(port);
        authority = authority.substr(0, colon);
    }
    if (authority.empty() || authority.size() > 253 ||
        !std::all_of(authority.begin(), authority.end(), IsHostChar) || !IsPathText(next.Path)) {
        return std::nullopt;
    }
    next.Host = std::string(authority);
    return next;
}

bool HttpResponseParser::ParseHead(std::string_view head) {
    size_t lineEnd = head.find('\n');
    const std::string_view statusLine = TrimBlanks(head.substr(0, lineEnd));
    // "HTTP/1.x 200 Reason"
    if (!StartsNoCase(statusLine, "HTTP/")) {
        return false;
    }
    const size_t space = statusLine.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    const std::string_view code = statusLine.substr(space + 1, 3);
    uint64_t status = 0;
    if (code.size() != 3 || !ParseDecimal(code, status) || status < 100) {
        return false;
    }
    status_ = static_cast<int>(status);
    while (lineEnd != std::string_view::npos) {
        const size_t start = lineEnd + 1;
        lineEnd = head.find('\n', start);
        const std::string_view line = head.substr(
            start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = TrimBlanks(line.substr(0, colon));
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        if (EqualsNoCase(name, "Location")) {
            location_ = std::string(value);
        } else if (EqualsNoCase(name, "Content-Length")) {
            uint64_t length = 0;
            if (!ParseDecimal(value, length)) {
                return false;
            }
            contentLength_ = length;
        } else if (EqualsNoCase(name, "Transfer-Encoding")) {
            const size_t comma = value.rfind(',');
            chunked_ = EqualsNoCase(
                TrimBlanks(comma == std::string_view::npos ? value : value.substr(comma + 1)),
                "chunked");
        }
    }
    return true;
}

HttpResponseParser::State HttpResponseParser::Feed(std::string_view bytes, std::string& body) {
    if (state_ == State::Head) {
        const size_t before = head_.size();
        head_.append(bytes);
        // The head ends at the first empty line (CR LF CR LF, or a bare LF LF).
        size_t bodyStart = std::string::npos;
        size_t end = head_.find("\r\n\r\n");
        if (end != std::string::npos) {
            bodyStart = end + 4;
        }
        if (const size_t lf = head_.find("\n\n"); lf != std::string::npos && lf + 2 < bodyStart) {
            end = lf;
            bodyStart = lf + 2;
        }
        if (bodyStart == std::string::npos) {
            if (head_.size() > kMaxHeadBytes) {
                state_ = State::Failed;
            }
            return state_;
        }
        if (!ParseHead(std::string_view(head_).substr(0, end))) {
            state_ = State::Failed;
            return state_;
        }
        bytes = bytes.substr(bodyStart > before ? bodyStart - before : 0);
        head_.clear();
        const bool noBody = status_ < 200 || status_ == 204 || status_ == 304;
        state_ = noBody || (!chunked_ && contentLength_ && *contentLength_ == 0) ? State::Done
                                                                                 : State::Body;
    }
    if (state_ == State::Body) {
        FeedBody(bytes, body);
    }
    return state_;
}

void HttpResponseParser::FeedBody(std::string_view bytes, std::string& body) {
    if (chunked_) {
        while (!bytes.empty() && state_ == State::Body) {
            if (!FeedChunked(bytes, body)) {
                state_ = State::Failed;
            }
        }
        return;
    }
    if (contentLength_) {
        const uint64_t left = *contentLength_ - bodyReceived_;
        if (bytes.size() >= left) {
            bytes = bytes.substr(0, static_cast<size_t>(left));
            state_ = State::Done;
        }
    }
    body.append(bytes);
    bodyReceived_ += bytes.size();
}

bool HttpResponseParser::FeedChunked(std::string_view& bytes, std::string& body) {
    if (chunkPart_ == ChunkPart::Data) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(chunkLeft_, bytes.size()));
        body.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        chunkLeft_ -= take;
        if (chunkLeft_ == 0) {
            chunkPart_ = ChunkPart::DataEnd;
        }
        return true;
    }
    // The other parts are lines: collect up to LF.
    const size_t lf = bytes.find('\n');
    line_.append(bytes.substr(0, lf));
    if (line_.size() > kMaxChunkLine) {
        return false;
    }
    if (lf == std::string_view::npos) {
        bytes = {};
        return true;
    }
    bytes.remove_prefix(lf + 1);
    std::string_view line = TrimBlanks(line_);
    switch (chunkPart_) {
    case ChunkPart::SizeLine: {
        line = TrimBlanks(line.substr(0, line.find(';')));
        if (line.empty() || line.size() > 15) {
            return false;
        }
        uint64_t size = 0;
        for (char c : line) {
            const char l = LowerChar(c);
            const int digit = l >= '0' && l <= '9'   ? l - '0'
                              : l >= 'a' && l <= 'f' ? l - 'a' + 10
                                                     : -1;
            if (digit < 0) {
                return false;
            }
            size = size * 16 + static_cast<uint64_t>(digit);
        }
        chunkLeft_ = size;
        chunkPart_ = size == 0 ? ChunkPart::Trailer : ChunkPart::Data;
        break;
    }
    case ChunkPart::DataEnd:
        if (!line.empty()) {
            return false;
        }
        chunkPart_ = ChunkPart::SizeLine;
        break;
    case ChunkPart::Trailer:
        if (line.empty()) {
            state_ = State::Done;
        }
        break;
    case ChunkPart::Data:
        break;
    }
    line_.clear();
    return true;
}

HttpResponseParser::State HttpResponseParser::Close() {
    if (state_ == State::Head) {
        state_ = State::Failed;
    } else if (state_ == State::Body) {
        state_ = chunked_ || contentLength_ ? State::Failed : State::Done;
    }
    return state_;
}

} // namespace pv
