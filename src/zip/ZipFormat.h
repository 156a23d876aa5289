#pragma once
// Byte layout of the archive's records and the rules that derive their fields from a source.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv::zipfmt {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;

constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kLocalExtraSize = 17;
constexpr std::uint32_t kCentralExtraSize = 9;

constexpr std::uint16_t kVersionMadeBy = 0x0B17;
constexpr std::uint16_t kVersionNeeded = 20;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kFlagMaxCompression = 0x0002; // Deflate option bits 1-2: level 8-9
constexpr std::uint16_t kFlagDataDescriptor = 0x0008; // provisional header only
constexpr std::uint16_t kExtTimeTag = 0x5455;         // "UT"
constexpr std::uint8_t kExtTimeAllThree = 0x07;       // modification, access, creation

// Unix mode in the upper 16 bits of the external attributes.
constexpr std::uint32_t kModeRegular = 0x8000;
constexpr std::uint32_t kModeOwnerRead = 0x0100;
constexpr std::uint32_t kModeOwnerWrite = 0x0080;
constexpr std::uint32_t kModeOwnerExec = 0x0040;

constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFull; // no Zip64: every offset and size in 32 bits
constexpr std::uint32_t kMaxEntries = 0xFFFF;
constexpr std::size_t kMaxNameBytes = 0xFFFF;

struct DosStamp {
    std::uint16_t time = 0;
    std::uint16_t date = 0;
};

// The fields of one member, as its local and central headers carry them.
struct Entry {
    std::uint16_t flags = 0;
    std::uint16_t method = kMethodDeflate;
    DosStamp stamp;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localOffset = 0;
    std::int64_t lastWrite = 0;
    std::int64_t lastAccess = 0;
    std::int64_t creation = 0;
    std::string name; // UTF-8
};

// Member name as stored: backslashes become slashes, then UTF-8.
std::string MemberNameBytes(std::u16string_view name);
// Stored (true) when the name's extension is one of the archive formats, ignoring case.
bool IsStoredName(std::u16string_view name);
// UTC calendar fields of Unix seconds packed in DOS form; years outside 1980-2107 are clamped.
DosStamp DosStampFromUnix(std::int64_t unixSeconds);
// Low byte: the source's attribute bits; upper 16 bits: the Unix mode.
std::uint32_t ExternalAttributes(std::uint8_t attributes, bool executable);

std::uint32_t LocalRecordSize(const Entry& e);   // header + name + extra
std::uint32_t CentralRecordSize(const Entry& e); // header + name + extra

void AppendLocalHeader(std::vector<std::uint8_t>& out, const Entry& e);
void AppendCentralHeader(std::vector<std::uint8_t>& out, const Entry& e);
void AppendEndRecord(std::vector<std::uint8_t>& out, std::uint32_t entries,
                     std::uint32_t directorySize, std::uint32_t directoryOffset);

} // namespace pv::zipfmt
