#include "FakeDeviceSource.h"
#include "devices/DeviceFields.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::Bytes16;
using test::LittleEndianBytes;
using test::MultiSz;

struct ListCase {
    const char* name;
    std::vector<uint8_t> data;
    std::u16string expected;
};

class PropertyListTest : public testing::TestWithParam<ListCase> {};

TEST_P(PropertyListTest, JoinsTextsWithCommas) {
    EXPECT_EQ(PropertyList(GetParam().data), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertyListTest,
    testing::Values(ListCase{"TwoItems", MultiSz({u"A", u"B"}), u"A,B"},
                    ListCase{"One", MultiSz({u"PCI\\VEN_8086"}), u"PCI\\VEN_8086"},
                    ListCase{"NoClosingNuls", Bytes16(std::u16string_view(u"A\0B", 3), false),
                             u"A,B"},
                    ListCase{"StopsAtEmptyText", MultiSz({u"A", u"", u"C"}), u"A"},
                    ListCase{"OddLastByte", {'A', 0, 0, 0, 'B', 0, 'C'}, u"A,B"},
                    ListCase{"Empty", {}, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PropertyText, StopsAtFirstNulAndSurvivesOddLength) {
    EXPECT_EQ(PropertyText(Bytes16(u"Intel\0junk")), u"Intel");
    EXPECT_EQ(PropertyText({'O', 0, 'K', 0, 'x'}), u"OK");
    EXPECT_EQ(PropertyText({}), u"");
}

TEST(PropertyDword, AcceptsOnlyFourBytesOfTypeDword) {
    EXPECT_EQ(PropertyDword(4, LittleEndianBytes(0x1234, 4)), 0x1234u);
    EXPECT_EQ(PropertyDword(3, LittleEndianBytes(0x1234, 4)), 0u);
    EXPECT_EQ(PropertyDword(4, LittleEndianBytes(0x1234, 8)), 0u);
    EXPECT_EQ(PropertyDword(4, LittleEndianBytes(0x1234, 2)), 0u);
}

struct FileTimeCase {
    const char* name;
    uint64_t fileTime;
    double expected;
};

class FileTimeTest : public testing::TestWithParam<FileTimeCase> {};

TEST_P(FileTimeTest, ConvertsInUtc) {
    EXPECT_DOUBLE_EQ(FileTimeToUtcDateTime(GetParam().fileTime), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileTimeTest,
    testing::Values(FileTimeCase{"Noon2March2023", 0x1d94cfe83c0e000, 44987.5},
                    FileTimeCase{"Midnight21June2021", 0x1d7663060d8c000, 44368},
                    FileTimeCase{"ZeroIsNoDate", 0, 0},
                    FileTimeCase{"FirstMillisecondOf1601", 10000, -109205 - 1.0 / 86400000},
                    FileTimeCase{"LastDayOf9999", 0x24c85995a7568000, 2958465},
                    FileTimeCase{"BeyondYear9999", 0x24c85995a7568000 + 864000000000ull, 0},
                    FileTimeCase{"NotACalendarDate", 0x8000000000000000ull, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DevicePropertyValues, ShortDataGivesZero) {
    EXPECT_EQ(DevicePropertyDate(LittleEndianBytes(0x1d94cfe83c0e000, 7)), 0);
    EXPECT_EQ(DevicePropertyDate(LittleEndianBytes(0x1d94cfe83c0e000, 12)), 44987.5);
    EXPECT_EQ(DevicePropertyDword({1, 2, 3}), 0u);
    EXPECT_EQ(DevicePropertyDword({28, 0, 0, 0, 9}), 28u);
    EXPECT_EQ(DriverDateDataDate(LittleEndianBytes(0x1d94cfe83c0e000, 8)), 44987.5);
    EXPECT_EQ(DriverDateDataDate(LittleEndianBytes(0x1d94cfe83c0e000, 12)), 0);
}

TEST(FieldFallbacks, PropertyFirstThenDriverKey) {
    EXPECT_EQ(MatchingIdFrom(u" pci\\ven_8086 ", u"usb\\x"), u"PCI\\VEN_8086");
    EXPECT_EQ(MatchingIdFrom(u"", u"  pci\\ven_8086&dev_1234\t"), u"PCI\\VEN_8086&DEV_1234");
    EXPECT_EQ(MatchingIdFrom(u"", u""), u"");
    // Driver properties are used as they come; only the registry fallback is trimmed.
    EXPECT_EQ(DriverTextFrom(u" Intel ", u"Other"), u" Intel ");
    EXPECT_EQ(DriverTextFrom(u"", u" 10.0.1.2 "), u"10.0.1.2");
    EXPECT_EQ(ClassGuidOrDefault(u"  "), u"{4D36E97D-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(ClassGuidOrDefault(u" {X} "), u"{X}");
    EXPECT_EQ(ClassNameOrUnknown(u"\t"), u"UNKNOWN");
    EXPECT_EQ(ClassNameOrUnknown(u" Display "), u"Display");
}

TEST(DriverKeyPath, TrimmedDriverUnderClassRootAndNothingWithoutDriver) {
    EXPECT_EQ(DriverKeyPath(u" {4d36e968-e325-11ce-bfc1-08002be10318}\\0000 "),
              u"SYSTEM\\CurrentControlSet\\Control\\Class\\"
              u"{4d36e968-e325-11ce-bfc1-08002be10318}\\0000");
    EXPECT_EQ(DriverKeyPath(u"  "), u"");
}

} // namespace
} // namespace pv
