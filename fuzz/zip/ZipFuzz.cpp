// Packs fuzzer-chosen members (names, sizes, contents, stored or deflated) into an in-memory
// archive and checks every member inflates back to its source with the recorded CRC and sizes.
#include "zip/ZipFiles.h"
#include "zip/ZipLib.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class Output final : public pv::ZipOutput {
public:
    explicit Output(Bytes& b) : b_(b) {}
    std::uint32_t Write(const void* data, std::uint32_t size) override {
        if (b_.size() < pos_ + size) {
            b_.resize(pos_ + size);
        }
        std::copy_n(static_cast<const std::uint8_t*>(data), size, b_.data() + pos_);
        pos_ += size;
        return size;
    }
    bool Seek(std::uint64_t offset) override {
        pos_ = offset;
        return true;
    }
    bool Truncate(std::uint64_t size) override {
        b_.resize(size);
        pos_ = size;
        return true;
    }

private:
    Bytes& b_;
    std::uint64_t pos_ = 0;
};

class Source final : public pv::ZipSource {
public:
    explicit Source(const Bytes& b) : b_(b) {}
    std::int64_t Read(void* buffer, std::uint32_t size) override {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size, b_.size() - pos_));
        std::copy_n(b_.data() + pos_, n, static_cast<std::uint8_t*>(buffer));
        pos_ += n;
        return n;
    }

private:
    const Bytes& b_;
    std::size_t pos_ = 0;
};

class Files final : public pv::ZipFileSystem {
public:
    Bytes archive;
    std::map<std::u16string, Bytes> sources;
    std::unique_ptr<pv::ZipOutput> CreateOutput(const std::u16string&,
                                                const std::u16string&) override {
        return std::make_unique<Output>(archive);
    }
    std::unique_ptr<pv::ZipSource> OpenSource(const std::u16string& path,
                                              pv::ZipSourceInfo& info) override {
        const auto it = sources.find(path);
        if (it == sources.end()) {
            return nullptr;
        }
        info = {pv::kAttrArchive, 1700000000, 1700000000, 1700000000, it->second.size()};
        return std::make_unique<Source>(it->second);
    }
};

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
           (std::uint32_t(b.at(at + 3)) << 24);
}
std::uint16_t Le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Files files;
    std::vector<std::pair<std::u16string, std::u16string>> members;
    std::size_t at = 0;
    // Each member: 1 byte name length, name, 3 bytes content length (repeated to grow), content.
    while (at + 4 <= size && members.size() < 8) {
        const std::size_t nameLen = data[at++] % 24;
        std::u16string name;
        for (std::size_t i = 0; i < nameLen && at < size; ++i) {
            name += static_cast<char16_t>(data[at++] | (i % 5 == 0 ? 0x400 : 0));
        }
        if (at + 3 > size) {
            break;
        }
        const std::size_t want = data[at] | (data[at + 1] << 8) | ((data[at + 2] & 0x3F) << 16);
        at += 3;
        const std::size_t avail = std::min(size - at, std::size_t{4096});
        Bytes content(want);
        for (std::size_t i = 0; i < want && avail > 0; ++i) {
            content[i] = data[at + i % avail];
        }
        at += avail;
        const std::u16string path = u"src" + std::u16string(1, char16_t(u'0' + members.size()));
        files.sources[path] = std::move(content);
        members.emplace_back(name, path);
    }
    pv::ZipHandle zip =
        pv::ZipCreateOn(std::make_unique<Output>(files.archive), files, pv::ZipOptions{2});
    std::vector<const Bytes*> added;
    for (const auto& [name, path] : members) {
        const pv::ZipResult r = pv::ZipAddFile(zip, name, path);
        Check(r == pv::ZR_OK || (name.empty() && r == pv::ZR_ARGS));
        if (r == pv::ZR_OK) {
            added.push_back(&files.sources[path]);
        }
    }
    Check(pv::ZipClose(zip) == pv::ZR_OK);

    const Bytes& z = files.archive;
    const std::size_t end = z.size() - 22;
    Check(Le32(z, end) == 0x06054B50 && Le16(z, end + 10) == added.size());
    std::size_t cd = Le32(z, end + 16);
    for (const Bytes* source : added) {
        Check(Le32(z, cd) == 0x02014B50);
        const std::uint16_t method = Le16(z, cd + 10);
        const std::uint32_t crc = Le32(z, cd + 16), csize = Le32(z, cd + 20),
                            usize = Le32(z, cd + 24);
        const std::size_t local = Le32(z, cd + 42);
        const std::size_t dataAt = local + 30 + Le16(z, local + 26) + Le16(z, local + 28);
        Check(usize == source->size());
        Check(crc == crc32(0, source->data(), static_cast<uInt>(source->size())));
        Bytes out(usize + 1);
        if (method == 0) {
            Check(csize == usize && std::equal(source->begin(), source->end(),
                                               z.begin() + static_cast<long>(dataAt)));
        } else {
            z_stream s{};
            inflateInit2(&s, -15);
            s.next_in = const_cast<Bytef*>(z.data() + dataAt);
            s.avail_in = csize;
            s.next_out = out.data();
            s.avail_out = static_cast<uInt>(out.size());
            Check(inflate(&s, Z_FINISH) == Z_STREAM_END && s.avail_in == 0 && s.total_out == usize);
            inflateEnd(&s);
            Check(std::equal(source->begin(), source->end(), out.begin()));
        }
        cd += 46 + Le16(z, cd + 28) + Le16(z, cd + 30);
    }
    return 0;
}
