#pragma once
// The record the restore-point library fills for one restore point, read from bytes at explicit
// offsets. A process loads only libraries of its own architecture, so the layout follows the
// pointer size: the host product's 32-bit library fills 20 bytes with 32-bit pointers. No 64-bit
// library is shipped; the x86_64 build of its test double fills the same fields with 8-byte
// pointers at their natural alignment, 32 bytes in all.
#include <cstddef>
#include <cstdint>
#include <span>

namespace pv {

struct RestoreRecordLayout {
    size_t Size;
    size_t PointerSize;
    size_t FirstText;  // pointer to the first NUL-terminated UTF-16 text
    size_t Type;       // signed 32-bit type code
    size_t SecondText; // pointer to the second text
};

// 0 first text, 4 type, 8..16 not read, 16 second text.
inline constexpr RestoreRecordLayout kRestoreRecord32{20, 4, 0, 4, 16};
// 0 first text, 8 type, 12..20 not read, 20..24 padding, 24 second text.
inline constexpr RestoreRecordLayout kRestoreRecord64{32, 8, 0, 8, 24};
// Room for either layout.
inline constexpr size_t kRestoreRecordCapacity = 32;

constexpr const RestoreRecordLayout& RestoreRecordLayoutFor(size_t pointerSize) {
    return pointerSize == 8 ? kRestoreRecord64 : kRestoreRecord32;
}

// Pointer values as numbers (0 for none) and the type code.
struct RestoreRecordFields {
    uint64_t FirstText = 0;
    int32_t Type = 0;
    uint64_t SecondText = 0;
    bool operator==(const RestoreRecordFields&) const = default;
};

// The fields of a record in `bytes`, little-endian; all zero when `bytes` is shorter than the
// layout.
RestoreRecordFields ReadRestoreRecord(std::span<const uint8_t> bytes,
                                      const RestoreRecordLayout& layout);

} // namespace pv
