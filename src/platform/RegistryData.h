#pragma once
// Decoding of registry value bytes as Windows hands them back. Pure, so the odd cases (no NUL,
// odd length, wrong type) are tested natively.
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

// Registry value types, as in winnt.h.
enum RegType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegMultiSz = 7,
    kRegQword = 11,
};

inline bool IsStringType(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The text up to the first NUL for string types (an odd trailing byte is dropped, a missing NUL
// tolerated); empty for every other type.
std::u16string DecodeRegString(uint32_t type, const std::vector<uint8_t>& data);
// The strings of a REG_MULTI_SZ (empty strings between NULs are skipped; tolerates missing NULs).
std::vector<std::u16string> DecodeRegMultiString(const std::vector<uint8_t>& data);
// The first four bytes as a little-endian number for REG_DWORD and REG_DWORD_BIG_ENDIAN alike (the
// product's own reads take them so); false for other types or short data, value then untouched.
bool DecodeRegDword(uint32_t type, const std::vector<uint8_t>& data, uint32_t& value);

} // namespace pv
