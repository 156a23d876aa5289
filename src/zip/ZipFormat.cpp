#include "zip/ZipFormat.h"

#include "platform/Text.h"

#include <array>

namespace pv::zipfmt {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutName(std::vector<std::uint8_t>& out, const std::string& name) {
    out.insert(out.end(), name.begin(), name.end());
}

// Unix times are stored as the low 32 bits of the signed 64-bit value.
std::uint32_t Low32(std::int64_t v) {
    return static_cast<std::uint32_t>(v & 0xFFFFFFFF);
}

void PutTimeExtra(std::vector<std::uint8_t>& out, const Entry& e, bool local) {
    Put16(out, kExtTimeTag);
    Put16(out, local ? 13 : 5);
    out.push_back(kExtTimeAllThree);
    Put32(out, Low32(e.lastWrite));
    if (local) {
        Put32(out, Low32(e.lastAccess));
        Put32(out, Low32(e.creation));
    }
}

// The run both headers carry alike, from "version needed" through "extra field length".
void PutSharedFields(std::vector<std::uint8_t>& out, const Entry& e, std::uint32_t extraSize) {
    Put16(out, kVersionNeeded);
    Put16(out, e.flags);
    Put16(out, e.method);
    Put16(out, e.stamp.time);
    Put16(out, e.stamp.date);
    Put32(out, e.crc);
    Put32(out, e.compressedSize);
    Put32(out, e.uncompressedSize);
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, extraSize);
}

struct Civil {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

// Proleptic Gregorian calendar fields of Unix seconds (days-to-civil of H. Hinnant).
Civil CivilFromUnix(std::int64_t t) {
    std::int64_t days = t / 86400;
    std::int64_t secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
    const auto s = static_cast<unsigned>(secs);
    return {y, m, d, s / 3600, (s / 60) % 60, s % 60};
}

} // namespace

std::string MemberNameBytes(std::u16string_view name) {
    std::u16string slashed(name);
    for (auto& c : slashed) {
        if (c == u'\\') {
            c = u'/';
        }
    }
    return ToUtf8(slashed);
}

bool IsStoredName(std::u16string_view name) {
    static constexpr std::array<std::u16string_view, 8> kStored = {
        u".Z", u".zip", u".zoo", u".arc", u".lzh", u".arj", u".gz", u".tgz"};
    const auto dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos) {
        return false;
    }
    const auto ext = name.substr(dot);
    for (auto s : kStored) {
        if (EqualsIgnoreCaseAscii(ext, s)) {
            return true;
        }
    }
    return false;
}

DosStamp DosStampFromUnix(std::int64_t unixSeconds) {
    Civil c = CivilFromUnix(unixSeconds);
    if (c.year < 1980) {
        c = {1980, 1, 1, 0, 0, 0};
    } else if (c.year > 2107) {
        c = {2107, 12, 31, 23, 59, 58};
    }
    DosStamp s;
    s.time = static_cast<std::uint16_t>(((c.hour & 0x1F) << 11) | ((c.minute & 0x3F) << 5) |
                                        ((c.second / 2) & 0x1F));
    s.date = static_cast<std::uint16_t>(((static_cast<unsigned>(c.year - 1980) & 0x7F) << 9) |
                                        ((c.month & 0x0F) << 5) | (c.day & 0x1F));
    return s;
}

std::uint32_t ExternalAttributes(std::uint8_t attributes, bool executable) {
    const std::uint8_t kept = attributes & (0x01 | 0x02 | 0x04 | 0x20);
    std::uint32_t mode = kModeRegular | kModeOwnerRead;
    if ((attributes & 0x01) == 0) {
        mode |= kModeOwnerWrite;
    }
    if (executable) {
        mode |= kModeOwnerExec;
    }
    return (mode << 16) | kept;
}

std::uint32_t LocalRecordSize(const Entry& e) {
    return kLocalHeaderSize + static_cast<std::uint32_t>(e.name.size()) + kLocalExtraSize;
}

std::uint32_t CentralRecordSize(const Entry& e) {
    return kCentralHeaderSize + static_cast<std::uint32_t>(e.name.size()) + kCentralExtraSize;
}

void AppendLocalHeader(std::vector<std::uint8_t>& out, const Entry& e) {
    Put32(out, kLocalSignature);
    PutSharedFields(out, e, kLocalExtraSize);
    PutName(out, e.name);
    PutTimeExtra(out, e, true);
}

void AppendCentralHeader(std::vector<std::uint8_t>& out, const Entry& e) {
    Put32(out, kCentralSignature);
    Put16(out, kVersionMadeBy);
    PutSharedFields(out, e, kCentralExtraSize);
    Put16(out, 0); // comment length
    Put16(out, 0); // disk number start
    Put16(out, 0); // internal attributes
    Put32(out, e.externalAttributes);
    Put32(out, e.localOffset);
    PutName(out, e.name);
    PutTimeExtra(out, e, false);
}

void AppendEndRecord(std::vector<std::uint8_t>& out, std::uint32_t entries,
                     std::uint32_t directorySize, std::uint32_t directoryOffset) {
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, entries & 0xFFFF);
    Put16(out, entries & 0xFFFF);
    Put32(out, directorySize);
    Put32(out, directoryOffset);
    Put16(out, 0);
}

} // namespace pv::zipfmt
