#include "sysinfo/RestoreRecord.h"

#include "../../tools/pellomar/RestorePointRecord.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace pv {
namespace {

// A record as a library of the given layout leaves it: every byte set, so an offset that is off
// by one reads a neighbour's bytes.
std::vector<uint8_t> Filled(const RestoreRecordLayout& layout, uint64_t first, uint32_t type,
                            uint64_t second) {
    std::vector<uint8_t> bytes(layout.Size, 0xEE);
    const auto put = [&](size_t at, uint64_t value, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
        }
    };
    put(layout.FirstText, first, layout.PointerSize);
    put(layout.Type, type, 4);
    put(layout.SecondText, second, layout.PointerSize);
    return bytes;
}

TEST(RestoreRecord, LayoutFollowsThePointerSize) {
    const RestoreRecordLayout& narrow = RestoreRecordLayoutFor(4);
    EXPECT_EQ(narrow.Size, 20u);
    EXPECT_EQ(narrow.FirstText, 0u);
    EXPECT_EQ(narrow.Type, 4u);
    EXPECT_EQ(narrow.SecondText, 16u);
    const RestoreRecordLayout& wide = RestoreRecordLayoutFor(8);
    EXPECT_EQ(wide.Size, 32u);
    EXPECT_EQ(wide.Type, 8u);
    EXPECT_EQ(wide.SecondText, 24u);
    EXPECT_LE(wide.Size, kRestoreRecordCapacity);
}

// The double's own declaration of the record: the layout the tool reads for this host's pointer
// width must be that struct's natural one.
TEST(RestoreRecord, LayoutIsTheDoublesDeclaration) {
    const RestoreRecordLayout& layout = sizeof(void*) == 8 ? kRestoreRecord64 : kRestoreRecord32;
    EXPECT_EQ(sizeof(RestorePointRecord), layout.Size);
    EXPECT_EQ(offsetof(RestorePointRecord, Description), layout.FirstText);
    EXPECT_EQ(offsetof(RestorePointRecord, Type), layout.Type);
    EXPECT_EQ(offsetof(RestorePointRecord, CreationTime), layout.SecondText);
}

TEST(RestoreRecord, FieldsReadLittleEndianAtTheirOffsets) {
    const struct {
        const RestoreRecordLayout* Layout;
        uint64_t First;
        uint32_t Type;
        uint64_t Second;
        int32_t ExpectedType;
    } cases[] = {
        {&kRestoreRecord32, 0x00401000, 10, 0x7FFE0010, 10},
        {&kRestoreRecord32, 0xFFFFFFF0, 13, 0x12345678, 13},
        {&kRestoreRecord32, 0, 0xFFFFFFFF, 0, -1},
        {&kRestoreRecord64, 0x00007FF612340000, 0, 0x000001D2C0DE0008, 0},
        {&kRestoreRecord64, 0xFFFF800000000010, 0x80000000, 1, INT32_MIN},
    };
    for (const auto& c : cases) {
        const RestoreRecordFields fields =
            ReadRestoreRecord(Filled(*c.Layout, c.First, c.Type, c.Second), *c.Layout);
        EXPECT_EQ(fields, (RestoreRecordFields{c.First, c.ExpectedType, c.Second}))
            << "size " << c.Layout->Size << " type " << c.Type;
    }
}

TEST(RestoreRecord, ShortBufferGivesNoFields) {
    const std::vector<uint8_t> wide = Filled(kRestoreRecord64, 1, 2, 3);
    EXPECT_EQ(ReadRestoreRecord(std::span(wide).first(31), kRestoreRecord64),
              RestoreRecordFields{});
    const std::vector<uint8_t> narrow = Filled(kRestoreRecord32, 1, 2, 3);
    EXPECT_EQ(ReadRestoreRecord(std::span(narrow).first(19), kRestoreRecord32),
              RestoreRecordFields{});
}

} // namespace
} // namespace pv
