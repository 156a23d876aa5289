#pragma once
// The Deflate compressor of the archive writer: turns one member's bytes into a raw Deflate
// stream (RFC 1951). Its working state belongs to one archive and is reused for every member.
#include <cstdint>
#include <memory>
#include <vector>

namespace pv {

class ChunkDeflater;
class RawDeflater;

// The writer's side of one member: where the bytes come from and where the stream goes.
class DeflateIo {
public:
    virtual ~DeflateIo() = default;
    // Bytes placed in `buffer` (at most `size`); 0 or -1 ends the source for good.
    virtual std::int64_t ReadStep(std::uint8_t* buffer, std::uint32_t size) = 0;
    // Bytes taken from `data`; fewer than `size` fails the member.
    virtual std::uint32_t WriteStep(const std::uint8_t* data, std::uint32_t size) = 0;
};

class TState {
public:
    // Members above this size are cut into chunks compressed on `threads` threads (1: the
    // caller's own thread). The stream's bytes depend only on the member's bytes.
    static constexpr std::uint32_t kParallelThreshold = 1u << 20;

    explicit TState(unsigned threads);
    ~TState();
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;

    // Hands over the two steps and the output buffer, marks the level in `flags` (bit 1 for
    // levels 8 and 9) and reads the first piece of the source.
    void Prepare(DeflateIo& io, std::uint8_t* outBuffer, std::uint32_t outSize, int level,
                 std::uint16_t& flags);
    // Compresses to the end of the source; the length of the whole stream in bytes.
    std::uint64_t Run();
    // Null unless the last run failed (zlib error, short write).
    const char* Error() const { return error_; }

private:
    void FillLookahead();
    std::uint64_t RunSingle();
    std::uint32_t PullInput(std::uint8_t* buffer, std::uint32_t size);

    unsigned threads_;
    int level_ = 8;
    DeflateIo* io_ = nullptr;
    std::uint8_t* out_ = nullptr;
    std::uint32_t outSize_ = 0;
    bool endOfInput_ = false;
    const char* error_ = nullptr;
    // Holds the first kParallelThreshold + 1 bytes: enough to tell a small member from a large one.
    std::vector<std::uint8_t> lookahead_;
    std::uint32_t lookaheadLen_ = 0;
    std::uint32_t lookaheadPos_ = 0;
    std::unique_ptr<RawDeflater> single_;
    std::unique_ptr<ChunkDeflater> chunks_;
};

} // namespace pv
