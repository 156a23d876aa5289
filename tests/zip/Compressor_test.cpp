#include "ZipTestSupport.h"

#include "zip/ChunkDeflater.h"
#include "zip/Deflate.h"
#include "zip/RawDeflater.h"

namespace pv {
namespace {

using namespace ziptest;

class BufferIo final : public DeflateIo {
public:
    explicit BufferIo(const Bytes& in, std::size_t failWriteAfter = SIZE_MAX)
        : in_(in), failAfter_(failWriteAfter) {}
    std::int64_t ReadStep(std::uint8_t* buffer, std::uint32_t size) override {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size, in_.size() - pos_));
        std::copy_n(in_.data() + pos_, n, buffer);
        pos_ += n;
        return n;
    }
    std::uint32_t WriteStep(const std::uint8_t* data, std::uint32_t size) override {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::size_t>(size, failAfter_ - out.size()));
        out.insert(out.end(), data, data + n);
        return n;
    }
    Bytes out;

private:
    const Bytes& in_;
    std::size_t pos_ = 0;
    std::size_t failAfter_;
};

Bytes Compress(TState& state, const Bytes& in) {
    BufferIo io(in);
    std::vector<std::uint8_t> buffer(16384);
    std::uint16_t flags = 0;
    state.Prepare(io, buffer.data(), 16384, 8, flags);
    EXPECT_EQ(flags, 2);
    const std::uint64_t length = state.Run();
    EXPECT_EQ(state.Error(), nullptr);
    EXPECT_EQ(length, io.out.size());
    return io.out;
}

// One zlib stream over the whole input, as the single-thread path makes it.
Bytes SingleStream(const Bytes& in) {
    RawDeflater z(8);
    Bytes out(in.size() + in.size() / 100 + 1024);
    z.stream().next_in = const_cast<Bytef*>(in.data());
    z.stream().avail_in = static_cast<uInt>(in.size());
    z.stream().next_out = out.data();
    z.stream().avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z.stream(), Z_FINISH), Z_STREAM_END);
    out.resize(z.stream().total_out);
    return out;
}

TEST(Compressor, ParallelAndSinglePathsInflateToTheSameBytes) {
    Bytes in = LogText(3 * (1 << 20) + 4321, 11);
    const Bytes noise = RandomBytes(200000, 12);
    std::copy(noise.begin(), noise.end(), in.begin() + 1000000);
    TState state(2);
    const Bytes parallel = Compress(state, in);
    const Bytes single = SingleStream(in);
    EXPECT_NE(parallel, single);
    EXPECT_EQ(InflateRaw(parallel, in.size()), in);
    EXPECT_EQ(InflateRaw(single, in.size()), in);
    // Priming each chunk with its predecessor keeps the ratio close to one stream's.
    EXPECT_LT(parallel.size(), single.size() + single.size() / 50);
}

TEST(Compressor, SmallMembersTakeTheSingleStreamAndStateIsReused) {
    TState state(4);
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{70000},
                             std::size_t{TState::kParallelThreshold}}) {
        const Bytes in = LogText(size, static_cast<std::uint32_t>(size));
        EXPECT_EQ(Compress(state, in), SingleStream(in)) << size;
    }
    const Bytes big = LogText(TState::kParallelThreshold + 1);
    EXPECT_EQ(InflateRaw(Compress(state, big), big.size()), big);
    const Bytes small = LogText(5000);
    EXPECT_EQ(Compress(state, small), SingleStream(small));
}

TEST(Compressor, ShortWriteFillsTheErrorSlotOnBothPaths) {
    for (std::size_t size : {std::size_t{100000}, std::size_t{3u << 20}}) {
        const Bytes in = RandomBytes(size);
        for (unsigned threads : {1u, 3u}) {
            TState state(threads);
            BufferIo io(in, 20000);
            std::vector<std::uint8_t> buffer(16384);
            std::uint16_t flags = 0;
            state.Prepare(io, buffer.data(), 16384, 8, flags);
            state.Run();
            EXPECT_NE(state.Error(), nullptr) << size << " " << threads;
            // The state stays usable for the next member.
            const Bytes ok = LogText(size);
            EXPECT_EQ(InflateRaw(Compress(state, ok), ok.size()), ok);
        }
    }
}

// Runs a chunked deflater over `in` and returns the stream.
Bytes ChunkStream(ChunkDeflater& chunks, const Bytes& in) {
    std::size_t pos = 0;
    Bytes out;
    const char* error = nullptr;
    chunks.Run(
        [&](std::uint8_t* buffer, std::uint32_t size) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size, in.size() - pos));
            std::copy_n(in.data() + pos, n, buffer);
            pos += n;
            return n;
        },
        [&](const std::uint8_t* data, std::uint32_t size) {
            out.insert(out.end(), data, data + size);
            return true;
        },
        error);
    EXPECT_EQ(error, nullptr);
    return out;
}

// Makes compressors until the `failAt`-th (counted from 1), which throws or is missing.
ChunkDeflater::MakeDeflater FailingMake(int failAt, bool throws, int& made) {
    return [failAt, throws, &made](int level) -> std::unique_ptr<RawDeflater> {
        if (++made == failAt) {
            if (throws) {
                throw std::bad_alloc();
            }
            return nullptr;
        }
        return ChunkDeflater::NewDeflater(level);
    };
}

// A compressor that cannot be made after some workers would already run: construction throws
// with no worker left behind (a joinable thread would end the process), for every position.
TEST(ChunkDeflaterConstruction, OutOfMemoryLeavesNoWorkerRunning) {
    for (int failAt = 1; failAt <= 5; ++failAt) {
        int made = 0;
        EXPECT_THROW(ChunkDeflater(4, 8, FailingMake(failAt, true, made)), std::bad_alloc)
            << failAt;
        EXPECT_EQ(made, failAt);
    }
}

// A worker without a compressor leaves its chunks to the others: the stream does not change.
TEST(ChunkDeflaterConstruction, MissingWorkerCompressorsGiveTheSameStream) {
    const Bytes in = LogText(5 * ChunkDeflater::kChunkSize + 777, 3);
    ChunkDeflater full(4, 8);
    const Bytes expected = ChunkStream(full, in);
    EXPECT_EQ(InflateRaw(expected, in.size()), in);
    for (int failAt = 2; failAt <= 5; ++failAt) {
        int made = 0;
        ChunkDeflater fewer(4, 8, FailingMake(failAt, false, made));
        EXPECT_EQ(ChunkStream(fewer, in), expected) << failAt;
    }
    int made = 0;
    EXPECT_THROW(ChunkDeflater(4, 8, FailingMake(1, false, made)), std::bad_alloc);
}

} // namespace
} // namespace pv
