#include "zip/ChunkDeflater.h"

#include "zip/RawDeflater.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace pv {

namespace {
// Chunks in flight per worker: one being compressed, one queued, one waiting to be written.
constexpr std::size_t kSlotsPerWorker = 3;
// Room for a sync-flush marker and the block headers beyond zlib's bound.
constexpr std::uint32_t kFlushSlack = 64;
} // namespace

std::unique_ptr<RawDeflater> ChunkDeflater::NewDeflater(int level) {
    return std::make_unique<RawDeflater>(level);
}

ChunkDeflater::ChunkDeflater(unsigned threads, int level, const MakeDeflater& make)
    : level_(level) {
    const unsigned workers = threads > 1 ? threads : 0;
    deflaters_.reserve(workers + 1);
    deflaters_.push_back(make(level));
    if (!deflaters_[0] || !deflaters_[0]->ok()) {
        throw std::bad_alloc();
    }
    const auto bound =
        static_cast<std::uint32_t>(deflateBound(&deflaters_[0]->stream(), kChunkSize)) +
        kFlushSlack;
    slots_.resize(std::max<std::size_t>(2, workers * kSlotsPerWorker));
    for (auto& s : slots_) {
        s.in.resize(kDictionarySize + kChunkSize);
        s.out.resize(bound);
    }
    // Everything that may throw comes before the first thread: an exception then leaves no worker
    // running, and once one runs nothing below can throw.
    while (deflaters_.size() <= workers) {
        auto z = make(level);
        if (!z || !z->ok()) {
            break;
        }
        deflaters_.push_back(std::move(z));
    }
    workers_.reserve(deflaters_.size() - 1);
    for (std::size_t i = 1; i < deflaters_.size(); ++i) {
        try {
            workers_.emplace_back([this, p = deflaters_[i].get()] { WorkerLoop(p); });
        } catch (...) { // std::system_error, or no memory for the thread's own state
            break;
        }
    }
    deflaters_.resize(workers_.size() + 1);
}

ChunkDeflater::~ChunkDeflater() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (auto& t : workers_) {
        t.join();
    }
}

void ChunkDeflater::Compress(RawDeflater& deflater, Slot& slot) {
    z_stream& z = deflater.stream();
    slot.failed = deflateReset(&z) != Z_OK;
    if (!slot.failed && slot.dictionaryLen > 0) {
        slot.failed = deflateSetDictionary(&z, slot.in.data(), slot.dictionaryLen) != Z_OK;
    }
    if (slot.failed) {
        return;
    }
    z.next_in = slot.in.data() + slot.dictionaryLen;
    z.avail_in = slot.dataLen;
    z.next_out = slot.out.data();
    z.avail_out = static_cast<uInt>(slot.out.size());
    const int rc = deflate(&z, slot.last ? Z_FINISH : Z_SYNC_FLUSH);
    // The output buffer exceeds zlib's bound, so one call must consume and flush everything.
    slot.failed =
        slot.last ? rc != Z_STREAM_END : (rc != Z_OK || z.avail_in != 0 || z.avail_out == 0);
    slot.outLen = static_cast<std::uint32_t>(slot.out.size() - z.avail_out);
}

void ChunkDeflater::WorkerLoop(RawDeflater* z) {
    std::unique_lock lock(mutex_);
    for (;;) {
        workReady_.wait(lock, [this] { return stopping_ || taken_ < submitted_; });
        if (stopping_) {
            return;
        }
        Slot& slot = SlotOf(taken_++);
        lock.unlock();
        Compress(*z, slot);
        lock.lock();
        slot.done = true;
        chunkDone_.notify_all();
    }
}

void ChunkDeflater::Submit(std::uint64_t seq) {
    if (workers_.empty()) {
        Slot& slot = SlotOf(seq);
        Compress(*deflaters_[0], slot);
        slot.done = true;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        submitted_ = seq + 1;
    }
    workReady_.notify_one();
}

std::uint64_t ChunkDeflater::Run(const Pull& pull, const Push& push, const char*& error) {
    {
        std::lock_guard lock(mutex_);
        submitted_ = 0;
        taken_ = 0;
    }
    for (auto& s : slots_) {
        s.done = false;
    }
    std::uint64_t total = 0;
    std::uint64_t written = 0; // next chunk to write
    std::uint64_t next = 0;    // next chunk to read
    bool writing = true;

    // Waits for chunk `written`, hands its bytes on and frees its slot.
    auto writeOne = [&] {
        Slot& slot = SlotOf(written);
        {
            std::unique_lock lock(mutex_);
            chunkDone_.wait(lock, [&] { return slot.done; });
        }
        if (slot.failed && writing) {
            error = "chunk compression failed";
            writing = false;
        }
        if (writing) {
            if (!push(slot.out.data(), slot.outLen)) {
                error = "short write";
                writing = false;
            }
            total += slot.outLen;
        }
        slot.done = false;
        ++written;
    };
    // Reads chunk `next` into its slot, preceded by the 32 KiB before it.
    std::vector<std::uint8_t>* previous = nullptr;
    std::uint32_t previousEnd = 0;
    auto readOne = [&]() -> Slot& {
        while (next - written >= slots_.size()) {
            writeOne();
        }
        Slot& slot = SlotOf(next++);
        slot.dictionaryLen = std::min(previousEnd, kDictionarySize);
        if (slot.dictionaryLen > 0) {
            std::memcpy(slot.in.data(), previous->data() + previousEnd - slot.dictionaryLen,
                        slot.dictionaryLen);
        }
        slot.dataLen = pull(slot.in.data() + slot.dictionaryLen, kChunkSize);
        slot.last = false;
        previous = &slot.in;
        previousEnd = slot.dictionaryLen + slot.dataLen;
        return slot;
    };

    // A chunk is sent once the next one shows whether it is the last: an empty successor
    // means the input ended exactly at a chunk boundary.
    std::uint64_t sent = 0;
    Slot* current = &readOne();
    while (writing) {
        if (current->dataLen < kChunkSize) {
            current->last = true;
            Submit(sent++);
            break;
        }
        Slot& following = readOne();
        if (following.dataLen == 0) {
            current->last = true;
            Submit(sent++);
            break;
        }
        Submit(sent++);
        current = &following;
    }
    while (written < sent) {
        writeOne();
    }
    return total;
}

} // namespace pv
