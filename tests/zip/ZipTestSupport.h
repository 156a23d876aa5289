#pragma once
// Test doubles for the ZIP writer's file layer, an archive parser and the independent readers.
#include "zip/ZipFiles.h"
#include "zip/ZipLib.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace pv::ziptest {

using Bytes = std::vector<std::uint8_t>;

// Output into a shared byte vector; can be told to fail writes past a limit or to refuse cuts.
struct MemoryOutputState {
    Bytes bytes;
    std::uint64_t pos = 0;
    std::uint64_t failWritesAfter = UINT64_MAX; // total bytes accepted, then short writes
    std::uint64_t accepted = 0;
    bool truncateFails = false;
    bool discardData = false; // only `size` is kept (for sources of several GiB)
    std::uint64_t size = 0;
};

class MemoryOutput final : public ZipOutput {
public:
    explicit MemoryOutput(std::shared_ptr<MemoryOutputState> s) : s_(std::move(s)) {}
    std::uint32_t Write(const void* data, std::uint32_t size) override {
        std::uint64_t room =
            s_->failWritesAfter > s_->accepted ? s_->failWritesAfter - s_->accepted : 0;
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, room));
        s_->size = std::max(s_->size, s_->pos + n);
        if (s_->discardData) {
            s_->pos += n;
            s_->accepted += n;
            return n;
        }
        if (s_->bytes.size() < s_->pos + n) {
            s_->bytes.resize(s_->pos + n);
        }
        std::copy_n(static_cast<const std::uint8_t*>(data), n, s_->bytes.data() + s_->pos);
        s_->pos += n;
        s_->accepted += n;
        return n;
    }
    bool Seek(std::uint64_t offset) override {
        s_->pos = offset;
        return true;
    }
    bool Truncate(std::uint64_t size) override {
        if (s_->truncateFails) {
            return false;
        }
        if (!s_->discardData) {
            s_->bytes.resize(size);
        }
        s_->size = size;
        s_->pos = size;
        return true;
    }

private:
    std::shared_ptr<MemoryOutputState> s_;
};

// A source produced on demand: `size` bytes from `fill(offset, buffer, n)`; fails with a read
// error at `failAt` when set.
struct FakeFile {
    ZipSourceInfo info;
    std::uint64_t actualSize = 0;
    std::function<void(std::uint64_t, std::uint8_t*, std::uint32_t)> fill;
    std::uint64_t failAt = UINT64_MAX;
};

class FakeSource final : public ZipSource {
public:
    explicit FakeSource(const FakeFile& f) : f_(f) {}
    std::int64_t Read(void* buffer, std::uint32_t size) override {
        if (pos_ >= f_.failAt) {
            return -1;
        }
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(size, f_.actualSize - pos_));
        f_.fill(pos_, static_cast<std::uint8_t*>(buffer), n);
        pos_ += n;
        return n;
    }

private:
    const FakeFile& f_;
    std::uint64_t pos_ = 0;
};

// Fixed times of every fake source: last write 2023-05-17 12:34:57 UTC.
constexpr std::int64_t kWriteTime = 1684326897;
constexpr std::int64_t kAccessTime = 1684400000;
constexpr std::int64_t kCreateTime = 1684000000;

class FakeFiles final : public ZipFileSystem {
public:
    std::shared_ptr<MemoryOutputState> out = std::make_shared<MemoryOutputState>();
    std::map<std::u16string, FakeFile> files;

    void Add(const std::u16string& path, Bytes data, std::uint8_t attributes = kAttrArchive) {
        auto shared = std::make_shared<Bytes>(std::move(data));
        FakeFile f;
        f.info = {attributes, kWriteTime, kAccessTime, kCreateTime, shared->size()};
        f.actualSize = shared->size();
        f.fill = [shared](std::uint64_t at, std::uint8_t* buf, std::uint32_t n) {
            std::copy_n(shared->data() + at, n, buf);
        };
        files[path] = std::move(f);
    }
    std::unique_ptr<ZipOutput> CreateOutput(const std::u16string&, const std::u16string&) override {
        return std::make_unique<MemoryOutput>(out);
    }
    std::unique_ptr<ZipSource> OpenSource(const std::u16string& path,
                                          ZipSourceInfo& info) override {
        auto it = files.find(path);
        if (it == files.end()) {
            return nullptr;
        }
        info = it->second.info;
        return std::make_unique<FakeSource>(it->second);
    }
    ZipHandle Create(unsigned threads = 2) {
        return ZipCreateOn(std::make_unique<MemoryOutput>(out), *this, ZipOptions{threads});
    }
};

// Deterministic data: log-like text lines, or random bytes.
inline Bytes LogText(std::size_t size, std::uint32_t seed = 1) {
    static const char* kWords[] = {"driver", "scan",          "INFO",      "WARN",       "device",
                                   "update", "PCI\\VEN_8086", "completed", "0x0000001F", "Orvix",
                                   "queue",  "retry",         "ms"};
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size + 128);
    unsigned line = 0;
    while (out.size() < size) {
        char head[64];
        std::snprintf(head, sizeof head, "2023-05-%02u 12:%02u:%02u.%03u [%u] ", 1 + line % 28,
                      (line / 60) % 60, line % 60, static_cast<unsigned>(rng() % 1000),
                      static_cast<unsigned>(rng() % 16));
        out.insert(out.end(), head, head + std::strlen(head));
        const unsigned words = 3 + rng() % 9;
        for (unsigned w = 0; w < words; ++w) {
            const char* word = kWords[rng() % (sizeof kWords / sizeof *kWords)];
            out.insert(out.end(), word, word + std::strlen(word));
            out.push_back(' ');
        }
        out.push_back('\r');
        out.push_back('\n');
        ++line;
    }
    out.resize(size);
    return out;
}

inline Bytes RandomBytes(std::size_t size, std::uint32_t seed = 7) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

inline std::uint32_t Crc(const Bytes& b) {
    return static_cast<std::uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

inline std::uint16_t Le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
inline std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return Le16(b, at) | (std::uint32_t(Le16(b, at + 2)) << 16);
}

// The archive's records as a reader that walks the central directory sees them.
struct ParsedMember {
    std::uint16_t madeBy, needed, flags, method, time, date;
    std::uint32_t crc, compressedSize, size, externalAttributes, localOffset;
    std::string name;
    Bytes centralExtra, localExtra, data;
    std::uint16_t localFlags;
    std::uint32_t localCrc, localCompressed, localSize;
};

inline std::vector<ParsedMember> Parse(const Bytes& zip) {
    std::vector<ParsedMember> members;
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(Le32(zip, end), 0x06054B50u);
    const std::uint16_t count = Le16(zip, end + 10);
    EXPECT_EQ(Le16(zip, end + 8), count);
    const std::uint32_t cdSize = Le32(zip, end + 12);
    std::size_t at = Le32(zip, end + 16);
    EXPECT_EQ(at + cdSize, end);
    for (unsigned i = 0; i < count; ++i) {
        ParsedMember m{};
        EXPECT_EQ(Le32(zip, at), 0x02014B50u);
        m.madeBy = Le16(zip, at + 4);
        m.needed = Le16(zip, at + 6);
        m.flags = Le16(zip, at + 8);
        m.method = Le16(zip, at + 10);
        m.time = Le16(zip, at + 12);
        m.date = Le16(zip, at + 14);
        m.crc = Le32(zip, at + 16);
        m.compressedSize = Le32(zip, at + 20);
        m.size = Le32(zip, at + 24);
        const std::uint16_t n = Le16(zip, at + 28), extra = Le16(zip, at + 30);
        m.externalAttributes = Le32(zip, at + 38);
        m.localOffset = Le32(zip, at + 42);
        m.name.assign(zip.begin() + static_cast<long>(at + 46),
                      zip.begin() + static_cast<long>(at + 46 + n));
        m.centralExtra.assign(zip.begin() + static_cast<long>(at + 46 + n),
                              zip.begin() + static_cast<long>(at + 46 + n + extra));
        at += 46u + n + extra;
        const std::size_t l = m.localOffset;
        EXPECT_EQ(Le32(zip, l), 0x04034B50u);
        EXPECT_EQ(Le16(zip, l + 4), 20);
        m.localFlags = Le16(zip, l + 6);
        EXPECT_EQ(Le16(zip, l + 8), m.method);
        EXPECT_EQ(Le16(zip, l + 10), m.time);
        EXPECT_EQ(Le16(zip, l + 12), m.date);
        m.localCrc = Le32(zip, l + 14);
        m.localCompressed = Le32(zip, l + 18);
        m.localSize = Le32(zip, l + 22);
        EXPECT_EQ(Le16(zip, l + 26), n);
        const std::uint16_t localExtra = Le16(zip, l + 28);
        const std::size_t data = l + 30 + n + localExtra;
        m.localExtra.assign(zip.begin() + static_cast<long>(l + 30 + n),
                            zip.begin() + static_cast<long>(data));
        m.data.assign(zip.begin() + static_cast<long>(data),
                      zip.begin() + static_cast<long>(data + m.compressedSize));
        members.push_back(std::move(m));
    }
    return members;
}

inline Bytes InflateRaw(const Bytes& stream, std::size_t expected) {
    Bytes out(expected + 1);
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the Deflate stream";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

inline std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "pvzip_" + std::to_string(::getpid()) + "_" + name;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

inline std::string Shell(const std::string& command, int* status) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    *status = ::pclose(p);
    return out;
}

// Python's zipfile (testzip, then every member's size and CRC recomputed from its content),
// Info-ZIP unzip -t and 7-Zip's test must all accept the archive. Returns the Python listing,
// one "name size crc" line per member.
inline std::string CheckWithReaders(const std::string& path) {
    int status = 0;
    const std::string py = Shell("python3 -c \"import sys,zipfile,zlib\n"
                                 "z=zipfile.ZipFile(sys.argv[1])\n"
                                 "assert z.testzip() is None\n"
                                 "for i in z.infolist():\n"
                                 "  d=z.read(i)\n"
                                 "  print(i.filename, len(d), zlib.crc32(d))\" " +
                                     path,
                                 &status);
    EXPECT_EQ(status, 0) << py;
    std::string out = Shell("unzip -t -qq " + path, &status);
    const bool emptyWarning =
        WEXITSTATUS(status) == 1 && out.find("zipfile is empty") != std::string::npos;
    EXPECT_TRUE(status == 0 || emptyWarning) << out;
    out = Shell("7z t " + path, &status);
    EXPECT_EQ(status, 0) << out;
    return py;
}

inline std::string Line(const std::string& name, const Bytes& data) {
    return name + " " + std::to_string(data.size()) + " " + std::to_string(Crc(data)) + "\n";
}

} // namespace pv::ziptest
