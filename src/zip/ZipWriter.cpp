// The archive writer behind ZipLib.h: one TZip per open archive.
#include "zip/ZipLib.h"

#include "zip/Deflate.h"
#include "zip/ZipFiles.h"
#include "zip/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace pv {

namespace fmt = zipfmt;

struct TZip {
    ZipFileSystem* files = nullptr;
    std::unique_ptr<ZipOutput> output;
    unsigned threads = 1;
    std::uint64_t written = 0;        // where the next record starts
    std::uint64_t directoryBytes = 0; // central directory size for the entries so far
    bool directoryWritten = false;
    std::vector<fmt::Entry> entries;
    std::unique_ptr<TState> state; // made with the first deflated member
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(16384);
};

namespace {

constexpr int kLevel = 8;
constexpr std::uint64_t kFourGiB = 0x100000000ull;
constexpr unsigned kMaxThreads = 8;

unsigned ThreadCount(unsigned requested) {
    if (requested == 0) {
        requested = std::thread::hardware_concurrency();
    }
    return std::clamp(requested, 1u, kMaxThreads);
}

// Most bytes a raw Deflate stream of `size` bytes can take (zlib's bound plus one sync-flush
// marker and block header per parallel chunk).
std::uint64_t DeflateBound(std::uint64_t size) {
    return size + (size >> 12) + (size >> 14) + (size >> 25) + 13 + (size / (128u << 10) + 1) * 8;
}

// One member's read and write steps: CRC-32 and counts of what went through.
class MemberIo final : public DeflateIo {
public:
    MemberIo(ZipSource& source, ZipOutput& output) : source_(source), output_(output) {}

    std::int64_t ReadStep(std::uint8_t* buffer, std::uint32_t size) override {
        if (ended_) {
            return 0;
        }
        // The uncompressed size must stay a 32-bit value.
        const std::uint64_t room = fmt::kMaxOffset - bytesRead_;
        const std::int64_t n = source_.Read(
            buffer, static_cast<std::uint32_t>(std::min<std::uint64_t>(size, room + 1)));
        if (n <= 0) {
            readFailed_ = n < 0;
            ended_ = true;
            return 0;
        }
        const auto got = static_cast<std::uint32_t>(n);
        if (got > room) {
            readFailed_ = true;
            ended_ = true;
            return 0;
        }
        for (std::uint32_t i = 0; i < got && headLen_ < 2; ++i) {
            head_[headLen_++] = buffer[i];
        }
        crc_ = crc32(crc_, buffer, got);
        bytesRead_ += got;
        return n;
    }

    std::uint32_t WriteStep(const std::uint8_t* data, std::uint32_t size) override {
        const std::uint32_t n = output_.Write(data, size);
        bytesWritten_ += n;
        return n;
    }

    std::uint32_t crc() const { return static_cast<std::uint32_t>(crc_); }
    std::uint64_t bytesRead() const { return bytesRead_; }
    std::uint64_t bytesWritten() const { return bytesWritten_; }
    bool readFailed() const { return readFailed_; }
    // A Windows executable image starts with "MZ".
    bool executable() const { return headLen_ == 2 && head_[0] == 'M' && head_[1] == 'Z'; }

private:
    ZipSource& source_;
    ZipOutput& output_;
    uLong crc_ = crc32(0, nullptr, 0);
    std::uint64_t bytesRead_ = 0;
    std::uint64_t bytesWritten_ = 0;
    std::uint8_t head_[2] = {};
    int headLen_ = 0;
    bool ended_ = false;
    bool readFailed_ = false;
};

bool WriteAll(ZipOutput& out, const std::vector<std::uint8_t>& bytes) {
    const auto size = static_cast<std::uint32_t>(bytes.size());
    return out.Write(bytes.data(), size) == size;
}

// Copies the source through the archive's buffer. False when a chunk was written short.
bool CopyStored(TZip& zip, MemberIo& io) {
    for (;;) {
        const std::int64_t n =
            io.ReadStep(zip.buffer.data(), static_cast<std::uint32_t>(zip.buffer.size()));
        if (n <= 0) {
            return true;
        }
        const auto len = static_cast<std::uint32_t>(n);
        if (io.WriteStep(zip.buffer.data(), len) != len) {
            return false;
        }
    }
}

bool Deflate(TZip& zip, MemberIo& io, std::uint16_t& flags) {
    if (!zip.state) {
        zip.state = std::make_unique<TState>(zip.threads);
    }
    zip.state->Prepare(io, zip.buffer.data(), static_cast<std::uint32_t>(zip.buffer.size()), kLevel,
                       flags);
    const std::uint64_t length = zip.state->Run();
    return zip.state->Error() == nullptr && length == io.bytesWritten();
}

// Cuts a failed member off again so the archive ends where it did before the call; when the
// output cannot be cut, the member's bytes stay behind, unreferenced.
void RollBack(TZip& zip, std::uint64_t start, std::uint64_t reached) {
    if (zip.output->Truncate(start)) {
        zip.written = start;
    } else {
        zip.written = reached;
        zip.output->Seek(reached);
    }
}

ZipResult AddMember(TZip& zip, const std::u16string& name, const std::u16string& sourcePath) {
    if (name.empty()) {
        return ZR_ARGS;
    }
    fmt::Entry entry;
    entry.name = fmt::MemberNameBytes(name);
    if (entry.name.size() > fmt::kMaxNameBytes) {
        return ZR_ARGS;
    }
    const bool stored = fmt::IsStoredName(name);
    entry.method = stored ? fmt::kMethodStored : fmt::kMethodDeflate;

    ZipSourceInfo info;
    const auto source = zip.files->OpenSource(sourcePath, info);
    if (!source || info.size >= kFourGiB) {
        return ZR_NOFILE;
    }
    // Refuse what could push an offset or size past 32 bits, judged on the worst case.
    const std::uint64_t worstData = stored ? info.size : DeflateBound(info.size);
    const std::uint64_t worstEnd = zip.written + fmt::LocalRecordSize(entry) + worstData +
                                   zip.directoryBytes + fmt::CentralRecordSize(entry) +
                                   fmt::kEndRecordSize;
    if (zip.entries.size() >= fmt::kMaxEntries || worstEnd > fmt::kMaxOffset) {
        return ZR_WRITE;
    }

    const auto expected = static_cast<std::uint32_t>(info.size);
    entry.flags = fmt::kFlagDataDescriptor;
    entry.stamp = fmt::DosStampFromUnix(info.lastWrite);
    entry.lastWrite = info.lastWrite;
    entry.lastAccess = info.lastAccess;
    entry.creation = info.creation;
    entry.compressedSize = stored ? expected : 0;
    entry.uncompressedSize = expected;
    entry.localOffset = static_cast<std::uint32_t>(zip.written);

    const std::uint64_t start = zip.written;
    std::vector<std::uint8_t> header;
    fmt::AppendLocalHeader(header, entry);
    if (!WriteAll(*zip.output, header)) {
        RollBack(zip, start, start + header.size());
        return ZR_WRITE;
    }

    MemberIo io(*source, *zip.output);
    std::uint16_t flags = 0;
    bool ok = stored ? CopyStored(zip, io) : Deflate(zip, io, flags);
    const std::uint64_t dataEnd = start + header.size() + io.bytesWritten();
    ok = ok && !io.readFailed() &&
         dataEnd + zip.directoryBytes + fmt::CentralRecordSize(entry) + fmt::kEndRecordSize <=
             fmt::kMaxOffset;

    if (ok) {
        entry.flags = flags;
        entry.crc = io.crc();
        entry.compressedSize = static_cast<std::uint32_t>(io.bytesWritten());
        entry.uncompressedSize = static_cast<std::uint32_t>(io.bytesRead());
        entry.externalAttributes = fmt::ExternalAttributes(info.attributes, io.executable());
        header.clear();
        fmt::AppendLocalHeader(header, entry);
        ok = zip.output->Seek(start) && WriteAll(*zip.output, header) && zip.output->Seek(dataEnd);
    }
    if (!ok) {
        RollBack(zip, start, dataEnd);
        return ZR_WRITE;
    }
    zip.written = dataEnd;
    zip.directoryBytes += fmt::CentralRecordSize(entry);
    zip.entries.push_back(std::move(entry));
    return ZR_OK;
}

ZipResult WriteDirectory(TZip& zip) {
    const auto offset = static_cast<std::uint32_t>(zip.written);
    std::vector<std::uint8_t> bytes;
    for (const auto& e : zip.entries) {
        bytes.clear();
        fmt::AppendCentralHeader(bytes, e);
        if (!WriteAll(*zip.output, bytes)) {
            return ZR_WRITE;
        }
        zip.written += bytes.size();
    }
    bytes.clear();
    fmt::AppendEndRecord(bytes, static_cast<std::uint32_t>(zip.entries.size()),
                         static_cast<std::uint32_t>(zip.written - offset), offset);
    if (!WriteAll(*zip.output, bytes)) {
        return ZR_WRITE;
    }
    zip.written += bytes.size();
    return ZR_OK;
}

} // namespace

ZipHandle ZipCreateOn(std::unique_ptr<ZipOutput> output, ZipFileSystem& files,
                      const ZipOptions& options) noexcept {
    if (!output) {
        return nullptr;
    }
    try {
        auto zip = std::make_unique<TZip>();
        zip->files = &files;
        zip->output = std::move(output);
        zip->threads = ThreadCount(options.threads);
        return zip.release();
    } catch (...) {
        return nullptr;
    }
}

ZipHandle ZipCreateIn(ZipFileSystem& files, const std::u16string& path,
                      const std::u16string& securityDescriptor,
                      const ZipOptions& options) noexcept {
    try {
        return ZipCreateOn(files.CreateOutput(path, securityDescriptor), files, options);
    } catch (...) {
        return nullptr;
    }
}

ZipHandle ZipCreate(const std::u16string& path) noexcept {
    return ZipCreate(path, std::u16string());
}

ZipHandle ZipCreate(const std::u16string& path, const std::u16string& securityDescriptor) noexcept {
    return ZipCreateIn(DefaultZipFileSystem(), path, securityDescriptor, ZipOptions{});
}

ZipHandle ZipCreate(const char16_t* path) noexcept {
    try {
        return path ? ZipCreate(std::u16string(path)) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

ZipResult ZipAddFile(ZipHandle zip, const std::u16string& name,
                     const std::u16string& sourcePath) noexcept {
    if (!zip || zip->directoryWritten) {
        return ZR_ARGS;
    }
    const std::uint64_t before = zip->written;
    try {
        return AddMember(*zip, name, sourcePath);
    } catch (...) {
        // Out of memory mid-member: drop whatever the member had written.
        RollBack(*zip, before, before);
        return ZR_WRITE;
    }
}

ZipResult ZipAddFile(ZipHandle zip, const char16_t* name, const char16_t* sourcePath) noexcept {
    try {
        return ZipAddFile(zip, std::u16string(name ? name : u""),
                          std::u16string(sourcePath ? sourcePath : u""));
    } catch (...) {
        return ZR_WRITE;
    }
}

ZipResult ZipClose(ZipHandle zip) noexcept {
    if (!zip) {
        return ZR_ARGS;
    }
    ZipResult result = ZR_OK;
    try {
        if (!zip->directoryWritten) {
            zip->directoryWritten = true;
            result = WriteDirectory(*zip);
        }
    } catch (...) {
        result = ZR_WRITE;
    }
    delete zip;
    return result;
}

} // namespace pv
