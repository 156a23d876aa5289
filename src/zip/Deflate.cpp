#include "zip/Deflate.h"

#include "zip/ChunkDeflater.h"
#include "zip/RawDeflater.h"

#include <algorithm>
#include <new>

namespace pv {

namespace {
constexpr std::uint32_t kFirstRead = 64u << 10;
constexpr std::uint16_t kFlagLevel8or9 = 0x0002;
} // namespace

TState::TState(unsigned threads) : threads_(threads) {}

TState::~TState() = default;

void TState::Prepare(DeflateIo& io, std::uint8_t* outBuffer, std::uint32_t outSize, int level,
                     std::uint16_t& flags) {
    io_ = &io;
    out_ = outBuffer;
    outSize_ = outSize;
    level_ = level;
    error_ = nullptr;
    endOfInput_ = false;
    lookaheadLen_ = 0;
    lookaheadPos_ = 0;
    if (level >= 8) {
        flags |= kFlagLevel8or9;
    }
    if (lookahead_.empty()) {
        lookahead_.resize(kParallelThreshold + 1);
    }
    const std::int64_t n = io.ReadStep(lookahead_.data(), kFirstRead);
    if (n <= 0) {
        endOfInput_ = true;
    } else {
        lookaheadLen_ = static_cast<std::uint32_t>(n);
    }
}

void TState::FillLookahead() {
    const auto capacity = static_cast<std::uint32_t>(lookahead_.size());
    while (!endOfInput_ && lookaheadLen_ < capacity) {
        const std::int64_t n =
            io_->ReadStep(lookahead_.data() + lookaheadLen_, capacity - lookaheadLen_);
        if (n <= 0) {
            endOfInput_ = true;
        } else {
            lookaheadLen_ += static_cast<std::uint32_t>(n);
        }
    }
}

std::uint32_t TState::PullInput(std::uint8_t* buffer, std::uint32_t size) {
    std::uint32_t got = 0;
    if (lookaheadPos_ < lookaheadLen_) {
        got = std::min(size, lookaheadLen_ - lookaheadPos_);
        std::copy_n(lookahead_.data() + lookaheadPos_, got, buffer);
        lookaheadPos_ += got;
    }
    while (got < size && !endOfInput_) {
        const std::int64_t n = io_->ReadStep(buffer + got, size - got);
        if (n <= 0) {
            endOfInput_ = true;
        } else {
            got += static_cast<std::uint32_t>(n);
        }
    }
    return got;
}

std::uint64_t TState::Run() {
    FillLookahead();
    if (lookaheadLen_ <= kParallelThreshold) {
        return RunSingle();
    }
    if (!chunks_ || chunks_->level() != level_) {
        chunks_.reset();
        chunks_ = std::make_unique<ChunkDeflater>(threads_, level_);
    }
    auto pull = [this](std::uint8_t* buffer, std::uint32_t size) {
        return PullInput(buffer, size);
    };
    auto push = [this](const std::uint8_t* data, std::uint32_t size) {
        return io_->WriteStep(data, size) == size;
    };
    return chunks_->Run(pull, push, error_);
}

// The whole member is in the lookahead buffer: one zlib stream through the writer's buffer.
std::uint64_t TState::RunSingle() {
    if (!single_ || single_->level() != level_) {
        single_.reset();
        single_ = std::make_unique<RawDeflater>(level_);
    }
    if (!single_->ok()) {
        error_ = "deflate initialisation failed";
        return 0;
    }
    z_stream& z = single_->stream();
    if (deflateReset(&z) != Z_OK) {
        error_ = "deflate reset failed";
        return 0;
    }
    z.next_in = lookahead_.data();
    z.avail_in = lookaheadLen_;
    std::uint64_t total = 0;
    for (;;) {
        z.next_out = out_;
        z.avail_out = outSize_;
        const int rc = deflate(&z, Z_FINISH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            error_ = "deflate failed";
            return total;
        }
        const std::uint32_t produced = outSize_ - z.avail_out;
        if (produced > 0 && io_->WriteStep(out_, produced) != produced) {
            error_ = "short write";
            return total;
        }
        total += produced;
        if (rc == Z_STREAM_END) {
            return total;
        }
        if (produced == 0) {
            error_ = "deflate made no progress";
            return total;
        }
    }
}

} // namespace pv
