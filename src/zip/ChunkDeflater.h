#pragma once
// Parallel Deflate of one large member: the input is cut into fixed chunks, each compressed on a
// worker thread with the 32 KiB before it as dictionary and ended with a sync flush (the last one
// finished), and the pieces are written in order, so the member is one raw Deflate stream whose
// bytes depend only on the input. Threads and buffers live as long as the object (one archive).
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pv {

class RawDeflater;

class ChunkDeflater {
public:
    static constexpr std::uint32_t kChunkSize = 128u << 10;
    static constexpr std::uint32_t kDictionarySize = 32u << 10;

    // Fills `buffer` with up to `size` bytes; fewer only at the end of the input.
    using Pull = std::function<std::uint32_t(std::uint8_t* buffer, std::uint32_t size)>;
    // Hands compressed bytes on; false when they could not all be written.
    using Push = std::function<bool(const std::uint8_t* data, std::uint32_t size)>;

    // Makes one compressor; may throw, or give nothing (or one that is not ok()) when memory runs
    // out.
    using MakeDeflater = std::function<std::unique_ptr<RawDeflater>(int level)>;
    static std::unique_ptr<RawDeflater> NewDeflater(int level);

    // `threads` <= 1 compresses on the caller's thread. Throws when memory runs out (or `make`
    // throws), and then no worker has been started; a worker whose compressor is not ok() or whose
    // thread cannot be started leaves its work to the others (the output is the same).
    ChunkDeflater(unsigned threads, int level, const MakeDeflater& make = NewDeflater);
    ~ChunkDeflater();
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;

    int level() const { return level_; }
    // Compresses the whole input. `error` is set on failure. The stream length in bytes.
    std::uint64_t Run(const Pull& pull, const Push& push, const char*& error);

private:
    struct Slot {
        std::vector<std::uint8_t> in; // dictionary, then the chunk's data
        std::vector<std::uint8_t> out;
        std::uint32_t dictionaryLen = 0;
        std::uint32_t dataLen = 0;
        std::uint32_t outLen = 0;
        bool last = false;
        bool done = false;
        bool failed = false;
    };

    static void Compress(RawDeflater& z, Slot& slot);
    void WorkerLoop(RawDeflater* z);
    void Submit(std::uint64_t seq);
    // The remainder is below the slot count, so it fits the index type.
    Slot& SlotOf(std::uint64_t seq) {
        return slots_[static_cast<std::size_t>(seq % slots_.size())];
    }

    int level_;
    std::vector<Slot> slots_;
    std::vector<std::unique_ptr<RawDeflater>> deflaters_; // [0] is the caller's
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable chunkDone_;
    std::uint64_t submitted_ = 0; // chunks handed to the workers (sequence numbers below it)
    std::uint64_t taken_ = 0;     // chunks a worker has started
    bool stopping_ = false;
};

} // namespace pv
