#pragma once
// Builds ZIP archives byte by byte for the reader's tests, so that a test can state exactly what
// a hostile or damaged archive holds: lying sizes, wrong CRCs, odd methods, encryption flags.
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pv::triage::test {

inline constexpr uint16_t Stored = 0;
inline constexpr uint16_t Deflated = 8;

inline std::string RawDeflate(std::string_view data) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

inline uint32_t Crc(std::string_view data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

struct TestMember {
    TestMember(std::string name, std::string data, uint16_t method = Deflated)
        : Name(std::move(name)), Data(std::move(data)), Method(method) {}

    std::string Name;
    std::string Data;
    uint16_t Method = Deflated;
    uint16_t Flags = 0;
    std::optional<uint32_t> DeclaredSize;  // instead of Data's size
    std::optional<uint32_t> DeclaredCrc;   // instead of Data's CRC
    std::optional<std::string> Compressed; // member data as written, instead of Data packed
    std::optional<int32_t> UnixTime;       // an extended timestamp extra field
    uint16_t DosTime = 0;
    uint16_t DosDate = (44 << 9) | (1 << 5) | 31; // 2024-01-31
};

class ZipBytes {
public:
    void U16(uint32_t v) {
        Out += static_cast<char>(v & 0xFF);
        Out += static_cast<char>((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    std::string Out;
};

// The whole archive. With `zip64End` the end records are the Zip64 ones (needed past 65,535
// members).
inline std::string BuildZip(const std::vector<TestMember>& members, bool zip64End = false) {
    ZipBytes zip;
    std::vector<uint32_t> offsets;
    std::vector<std::string> packed;
    for (const TestMember& m : members) {
        packed.push_back(m.Compressed ? *m.Compressed
                                      : (m.Method == Deflated ? RawDeflate(m.Data) : m.Data));
    }
    const auto extra = [](const TestMember& m) {
        ZipBytes field;
        if (m.UnixTime) {
            field.U16(0x5455);
            field.U16(5);
            field.Out += '\x01';
            field.U32(static_cast<uint32_t>(*m.UnixTime));
        }
        return field.Out;
    };
    const auto common = [&](ZipBytes& out, const TestMember& m, const std::string& data) {
        out.U16(20);
        out.U16(m.Flags);
        out.U16(m.Method);
        out.U16(m.DosTime);
        out.U16(m.DosDate);
        out.U32(m.DeclaredCrc.value_or(Crc(m.Data)));
        out.U32(static_cast<uint32_t>(data.size()));
        out.U32(m.DeclaredSize.value_or(static_cast<uint32_t>(m.Data.size())));
        out.U16(static_cast<uint32_t>(m.Name.size()));
        out.U16(static_cast<uint32_t>(extra(m).size()));
    };
    for (size_t i = 0; i < members.size(); ++i) {
        offsets.push_back(static_cast<uint32_t>(zip.Out.size()));
        zip.U32(0x04034B50);
        common(zip, members[i], packed[i]);
        zip.Out += members[i].Name + extra(members[i]) + packed[i];
    }
    const uint64_t directoryStart = zip.Out.size();
    for (size_t i = 0; i < members.size(); ++i) {
        zip.U32(0x02014B50);
        zip.U16(0x0B17);
        common(zip, members[i], packed[i]);
        zip.U16(0); // comment
        zip.U16(0); // disk
        zip.U16(0); // internal attributes
        zip.U32(0); // external attributes
        zip.U32(offsets[i]);
        zip.Out += members[i].Name + extra(members[i]);
    }
    const uint64_t directorySize = zip.Out.size() - directoryStart;
    if (zip64End) {
        const uint64_t recordStart = zip.Out.size();
        zip.U32(0x06064B50);
        zip.U64(44);
        zip.U16(45);
        zip.U16(45);
        zip.U32(0);
        zip.U32(0);
        zip.U64(members.size());
        zip.U64(members.size());
        zip.U64(directorySize);
        zip.U64(directoryStart);
        zip.U32(0x07064B50);
        zip.U32(0);
        zip.U64(recordStart);
        zip.U32(1);
    }
    zip.U32(0x06054B50);
    zip.U16(0);
    zip.U16(0);
    const uint32_t count = zip64End ? 0xFFFF : static_cast<uint32_t>(members.size());
    zip.U16(count);
    zip.U16(count);
    zip.U32(zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(directorySize));
    zip.U32(zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(directoryStart));
    zip.U16(0);
    return zip.Out;
}

// A fresh folder for one test, removed with it.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        Path = std::filesystem::temp_directory_path() /
               ("pvtriage-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(Path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    std::string Write(const std::string& name, std::string_view bytes) const {
        const std::filesystem::path file = Path / name;
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
    std::filesystem::path Path;
};

} // namespace pv::triage::test
