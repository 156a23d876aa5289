#include "triage/read/Archive.h"

#include "triage/model/ArchiveProblems.h"
#include "triage/model/TextEscape.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace pv::triage {
namespace {

constexpr int OpenFlags = ZIP_RDONLY | ZIP_CHECKCONS;
constexpr size_t ReadChunk = 64 * 1024;
// A local file header starts every member, so a file that begins with one was meant to be a
// ZIP archive even when its end record is gone.
constexpr unsigned char LocalHeaderSignature[4] = {0x50, 0x4B, 0x03, 0x04};
// Extended timestamp extra field: a flags byte, then the Unix modification time (32-bit
// little-endian, signed) when flag bit 0 is set.
constexpr zip_uint16_t ExtendedTimestampId = 0x5455;
constexpr unsigned ExtendedTimestampHasModified = 0x01;

struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

std::string Quoted(std::string_view path) {
    return "\"" + PrintableText(path) + "\"";
}

std::string DataProblem(int zipError) {
    switch (zipError) {
    case ZIP_ER_CRC:
        return "CRC mismatch";
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return "invalid compressed data";
    case ZIP_ER_EOF:
        return "data cut short by the end of the file";
    case ZIP_ER_INCONS:
        return "local header does not match the central directory";
    case ZIP_ER_MEMORY:
        return "not enough memory to read it";
    default: {
        zip_error_t error;
        zip_error_init_with_code(&error, zipError);
        std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        return text;
    }
    }
}

// What the first bytes of the file say, for telling "not a ZIP" from "truncated".
struct FileStart {
    std::string Error; // the file cannot be read at all
    uint64_t Size = 0;
    bool LooksLikeZip = false;
};

FileStart InspectFile(const std::string& path) {
    FileStart start;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        start.Error = "cannot open " + Quoted(path) + ": " + std::strerror(errno) + ".";
        return start;
    }
    if (!S_ISREG(info.st_mode)) {
        start.Error = Quoted(path) + " is not a regular file.";
        return start;
    }
    start.Size = static_cast<uint64_t>(info.st_size);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        start.Error = "cannot open " + Quoted(path) + ": " + std::strerror(errno) + ".";
        return start;
    }
    unsigned char head[4] = {};
    start.LooksLikeZip = std::fread(head, 1, sizeof head, file) == sizeof head &&
                         std::memcmp(head, LocalHeaderSignature, sizeof head) == 0;
    std::fclose(file);
    return start;
}

// The member's last-write time: the extended timestamp when present, else the DOS time. libzip
// reads DOS fields as local time; the tool writes them in UTC, so they are read back as such.
std::optional<int64_t> ModifiedTime(zip_t* handle, zip_uint64_t index, const zip_stat_t& st) {
    zip_uint16_t length = 0;
    const zip_uint8_t* field = zip_file_extra_field_get_by_id(handle, index, ExtendedTimestampId, 0,
                                                              &length, ZIP_FL_CENTRAL);
    if (field != nullptr && length >= 5 && (field[0] & ExtendedTimestampHasModified) != 0) {
        const uint32_t raw =
            static_cast<uint32_t>(field[1]) | static_cast<uint32_t>(field[2]) << 8 |
            static_cast<uint32_t>(field[3]) << 16 | static_cast<uint32_t>(field[4]) << 24;
        return static_cast<int32_t>(raw);
    }
    if ((st.valid & ZIP_STAT_MTIME) == 0)
        return std::nullopt;
    std::tm fields{};
    if (localtime_r(&st.mtime, &fields) == nullptr)
        return std::nullopt;
    return static_cast<int64_t>(timegm(&fields));
}

std::string OpenProblem(const std::string& path, int zipError, const FileStart& start) {
    switch (zipError) {
    case ZIP_ER_NOZIP:
        return ArchiveProblemText(
            start.LooksLikeZip ? ArchiveProblem::Truncated : ArchiveProblem::NotZip, path);
    case ZIP_ER_INCONS:
        return ArchiveProblemText(ArchiveProblem::Inconsistent, path);
    case ZIP_ER_MULTIDISK:
        return ArchiveProblemText(ArchiveProblem::MultiVolume, path);
    case ZIP_ER_MEMORY:
        return ArchiveProblemText(ArchiveProblem::TooLarge, path);
    default:
        return "cannot read " + Quoted(path) + " as a ZIP archive: " + DataProblem(zipError) + ".";
    }
}

} // namespace

Archive::Archive(::zip* handle) : Handle(handle) {}

Archive::~Archive() {
    zip_discard(Handle);
}

OpenResult Archive::Open(const std::string& path) {
    OpenResult result;
    const FileStart start = InspectFile(path);
    if (!start.Error.empty()) {
        result.Error = start.Error;
        return result;
    }
    if (start.Size == 0) {
        result.Error = ArchiveProblemText(ArchiveProblem::Empty, path);
        return result;
    }
    int zipError = 0;
    zip_t* handle = zip_open(path.c_str(), OpenFlags, &zipError);
    // The consistency check also refuses duplicate names, which the tool itself writes (two
    // DPINST.LOG members); such an archive is read with libzip's ordinary checks.
    if (handle == nullptr && zipError == ZIP_ER_EXISTS)
        handle = zip_open(path.c_str(), ZIP_RDONLY, &zipError);
    if (handle == nullptr) {
        result.Error = OpenProblem(path, zipError, start);
        return result;
    }
    std::unique_ptr<Archive> archive(new Archive(handle));

    const zip_int64_t count = zip_get_num_entries(handle, 0);
    archive->Entries.reserve(static_cast<size_t>(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(handle, static_cast<zip_uint64_t>(i), 0, &st) != 0) {
            result.Error = Quoted(path) + " is damaged: member " + std::to_string(i + 1) +
                           " cannot be described.";
            return result;
        }
        ArchiveMember member;
        if (st.valid & ZIP_STAT_NAME)
            member.Name = st.name;
        member.Size = st.size;
        member.CompressedSize = st.comp_size;
        member.Method = st.comp_method;
        member.Encrypted = st.encryption_method != ZIP_EM_NONE;
        member.Modified = ModifiedTime(handle, static_cast<zip_uint64_t>(i), st);
        if (member.Encrypted) {
            result.Error = ArchiveProblemText(ArchiveProblem::Encrypted, path, member.Name);
            return result;
        }
        if (!zip_compression_method_supported(static_cast<zip_int32_t>(member.Method), 0)) {
            result.Error = ArchiveProblemText(ArchiveProblem::Method, path, member.Name,
                                              static_cast<int>(member.Method));
            return result;
        }
        archive->Entries.push_back(std::move(member));
    }
    result.Opened = std::move(archive);
    return result;
}

std::optional<size_t> Archive::Find(std::string_view name) const {
    if (FirstByName.empty() && !Entries.empty()) {
        FirstByName.reserve(Entries.size());
        for (size_t i = 0; i < Entries.size(); ++i)
            FirstByName.try_emplace(Entries[i].Name, i);
    }
    const auto it = FirstByName.find(name);
    if (it == FirstByName.end())
        return std::nullopt;
    return it->second;
}

namespace {

// Reads member `index` to its end through `sink`, accepting at most `declared` bytes; a member
// that yields more or fewer is damaged, and the CRC is checked by libzip at the end. Returns
// the problem, empty when the member is intact.
template <typename Sink>
std::string Stream(zip_t* handle, size_t index, uint64_t declared, std::span<char> buffer,
                   uint64_t& inflated, Sink&& sink) {
    ZipFilePtr file(zip_fopen_index(handle, index, 0));
    if (!file)
        return DataProblem(zip_error_code_zip(zip_get_error(handle)));
    uint64_t total = 0;
    for (;;) {
        // Asking for one byte past the declared size is how a member that holds more shows.
        const size_t want =
            static_cast<size_t>(std::min<uint64_t>(declared - total, buffer.size() - 1) + 1);
        const zip_int64_t got = zip_fread(file.get(), buffer.data(), want);
        if (got < 0)
            return DataProblem(zip_error_code_zip(zip_file_get_error(file.get())));
        if (got == 0)
            break;
        total += static_cast<uint64_t>(got);
        inflated += static_cast<uint64_t>(got);
        if (total > declared)
            return "more data than its header declares";
        sink(std::span<const char>(buffer.data(), static_cast<size_t>(got)));
    }
    if (total < declared)
        return "less data than its header declares";
    return {};
}

} // namespace

MemberRead Archive::Read(size_t index, uint64_t cap) const {
    MemberRead read;
    const ArchiveMember& member = Entries.at(index);
    if (member.Size > cap) {
        read.Status = ReadStatus::OverCap;
        read.Problem = "declared size of " + std::to_string(member.Size) +
                       " bytes is over the limit of " + std::to_string(cap);
        return read;
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(member.Size));
    char chunk[ReadChunk];
    read.Problem =
        Stream(Handle, index, member.Size, chunk, Inflated,
               [&](std::span<const char> data) { bytes.append(data.data(), data.size()); });
    if (!read.Problem.empty())
        read.Status = ReadStatus::Damaged;
    read.Bytes = std::move(bytes);
    return read;
}

std::string Archive::Verify(size_t index, std::span<char> buffer) const {
    return Stream(Handle, index, Entries.at(index).Size, buffer, Inflated,
                  [](std::span<const char>) {});
}

} // namespace pv::triage
