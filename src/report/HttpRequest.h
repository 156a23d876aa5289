#pragma once
// The address service's HTTP/1.0 exchange as bytes: the request we send, the response we parse,
// where a redirection leads and which final status counts as success.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pv {

struct HttpTarget {
    std::string Host;
    uint16_t Port = 80;
    std::string Path = "/";
};

// "GET <path> HTTP/1.0", "Accept: ...", "User-Agent: Mozilla/4.0", "Host: <host>[:<port> unless
// 80]", each ended by CR LF, then an empty line; nothing else.
std::string BuildHttpGet(const HttpTarget& target);

// 400 and above fail, except 401 and 407.
bool HttpStatusSucceeds(int status);

// The target a Location value leads to from `current`: "http://host[:port]/path", "//host/path",
// "/path" or a path relative to the current one. Nothing for other schemes, bad ports, or a host or
// path with characters that could not go on the request line unchanged.
std::optional<HttpTarget> ResolveRedirect(const HttpTarget& current, std::string_view location);

// Incremental parser of one response. Body bytes (with a chunked transfer coding removed) are
// appended to the caller's buffer as they arrive.
class HttpResponseParser {
public:
    enum class State { Head, Body, Done, Failed };

    State Feed(std::string_view bytes, std::string& body);
    // The connection closed: a body that runs to the close ends well; a cut head, a short
    // Content-Length body or an unfinished chunked body fail.
    State Close();

    State Current() const { return state_; }
    int Status() const { return status_; }
    const std::optional<std::string>& Location() const { return location_; }

private:
    bool ParseHead(std::string_view head);
    void FeedBody(std::string_view bytes, std::string& body);
    bool FeedChunked(std::string_view& bytes, std::string& body);

    State state_ = State::Head;
    std::string head_;
    int status_ = 0;
    std::optional<std::string> location_;
    std::optional<uint64_t> contentLength_;
    uint64_t bodyReceived_ = 0;
    bool chunked_ = false;
    // Chunked decoding: the size line being read, bytes left of the current chunk, and what
    // follows a chunk's data (its CR LF) or the last chunk (trailers).
    enum class ChunkPart { SizeLine, Data, DataEnd, Trailer } chunkPart_ = ChunkPart::SizeLine;
    std::string line_;
    uint64_t chunkLeft_ = 0;
};

} // namespace pv
