#include "FakeDeviceSource.h"
#include "devices/DeviceEnumeration.h"
#include "devices/DeviceListReport.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

struct NumberCase {
    double value;
    std::u16string expected;
};

class GeneralNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(GeneralNumberTest, ShortestTextOfFifteenDigits) {
    EXPECT_EQ(GeneralNumberText(GetParam().value, u'.'), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GeneralNumberTest,
                         testing::Values(NumberCase{0, u"0"}, NumberCase{44987.5, u"44987.5"},
                                         NumberCase{43567.0 + 13.0 / 24, u"43567.5416666667"},
                                         NumberCase{44368, u"44368"},
                                         NumberCase{-109205.25, u"-109205.25"},
                                         NumberCase{0.1, u"0.1"}, NumberCase{0.00001, u"0.00001"},
                                         NumberCase{0.000001, u"1E-6"},
                                         NumberCase{1.5e-7, u"1.5E-7"},
                                         NumberCase{123456789012345.0, u"123456789012345"},
                                         NumberCase{1234567890123456.0, u"1.23456789012346E15"},
                                         NumberCase{1e20, u"1E20"}));

TEST(GeneralNumber, UsesTheDecimalSeparator) {
    EXPECT_EQ(GeneralNumberText(44987.5, u','), u"44987,5");
}

struct DateCase {
    double value;
    std::u16string expected;
};

class DeviceDateTest : public testing::TestWithParam<DateCase> {};

TEST_P(DeviceDateTest, MonthDayYearAnd24HourTime) {
    EXPECT_EQ(DeviceDateText(GetParam().value, DeviceTextFormat{}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceDateTest,
    testing::Values(DateCase{0, u"12/30/1899 00:00:00"}, DateCase{44987.5, u"3/2/2023 12:00:00"},
                    DateCase{44368, u"6/21/2021 00:00:00"},
                    DateCase{44986 + (23 * 3600 + 59 * 60 + 59.4) / 86400, u"3/1/2023 23:59:59"},
                    // 23:59:59.9996 rounds to the millisecond, into the next day.
                    DateCase{44986 + (86399.9996) / 86400, u"3/2/2023 00:00:00"},
                    DateCase{-1.25, u"12/29/1899 06:00:00"},
                    DateCase{-109205, u"1/1/1601 00:00:00"},
                    DateCase{2958465.5, u"12/31/9999 12:00:00"}, DateCase{1e300, u""}));

TEST(DeviceDate, UsesTheDateAndTimeSeparators) {
    EXPECT_EQ(DeviceDateText(44987.5, DeviceTextFormat{u',', u'.', u'-'}), u"3.2.2023 12-00-00");
}

struct SplitCase {
    const char* name;
    std::u16string text;
    std::vector<std::u16string> items;
};

class SplitIdItemsTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitIdItemsTest, ReadsANonStrictDelimitedText) {
    EXPECT_EQ(SplitIdItems(GetParam().text), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitIdItemsTest,
    testing::Values(
        SplitCase{"Empty", u"", {}}, SplitCase{"BlanksOnly", u"  \t ", {}},
        SplitCase{"TwoIds",
                  u"pci\\ven_8086&dev_1234,pci\\ven_8086",
                  {u"pci\\ven_8086&dev_1234", u"pci\\ven_8086"}},
        SplitCase{"BlankSplitsAnId", u"USB\\Class_03 Sub,X", {u"USB\\Class_03", u"Sub", u"X"}},
        SplitCase{"TrailingCommaGivesEmptyItem", u"A,", {u"A", u""}},
        SplitCase{"DoubleComma", u"A,,B", {u"A", u"", u"B"}},
        SplitCase{"BlanksAroundComma", u" A , B ", {u"A", u"B"}},
        SplitCase{"QuotedKeepsCommaAndBlank", u"\"A, B\",C", {u"A, B", u"C"}},
        SplitCase{"DoubledQuote", u"\"say \"\"hi\"\"\"", {u"say \"hi\""}},
        SplitCase{"UnclosedQuoteRunsToEnd", u"\"AB,C", {u"AB,C"}},
        SplitCase{"TextAfterClosingQuote", u"\"AB\"CD", {u"AB", u"CD"}},
        SplitCase{"EndsAtTheFirstNul", std::u16string(u"A,B\0C,D", 7), {u"A", u"B"}}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::u16string> Block(const TDeviceItem& item, int index) {
    ReportText report;
    AddDeviceBlock(report, item, index, DeviceTextFormat{});
    return report.Lines();
}

TEST(DeviceBlock, DeviceWithoutHardwareIdsOrMatchingId) {
    TDeviceItem item;
    item.Key = u"D41D8CD98F00B204E9800998ECF8427E";
    item.ClassGuid = u"{4D36E97D-E325-11CE-BFC1-08002BE10318}";
    item.ClassName = u"UNKNOWN";
    item.Name = u"Remembered device";
    item.CompatibleIds = u"usb\\class_03&subclass_01,usb\\class_03";
    item.InstallDate = 44987.5;
    item.InstallState = 3;
    item.ProblemCode = 4294967295u;
    item.InstanceId = u"USB\\VID_1&PID_2\\0";
    item.IsDch = true;
    const std::vector<std::u16string> expected = {
        u"#12",
        u"[Device]",
        u" Key  = D41D8CD98F00B204E9800998ECF8427E",
        u" Type = {4D36E97D-E325-11CE-BFC1-08002BE10318} UNKNOWN",
        u" Name = Remembered device",
        u" Date.D = 0",
        u" InDa.D = 44987.5",
        u" Date = 12/30/1899 00:00:00",
        u" InDa = 3/2/2023 12:00:00",
        u" Vern = ",
        u" Prvd = ",
        u" Plug = False",
        u" Prob = 0",
        u" Code = 4294967295",
        u" Rein = False",
        u" Inst = USB\\VID_1&PID_2\\0",
        u" Stat = 3",
        u" Roll = False",
        u" Dch  = True",
        u"[HardID]",
        u"[CompID]",
        u" USB\\CLASS_03&SUBCLASS_01",
        u" USB\\CLASS_03",
        u"[MatchID]",
        u" ",
        u"",
    };
    EXPECT_EQ(Block(item, 12), expected);
}

TEST(DeviceBlock, IdItemsAndMatchingIdAreUpperCased) {
    TDeviceItem item;
    item.HardwareIds = u"pci\\ven_8086&dev_1234,pci\\ven_8086";
    item.MatchingId = u"pci\\ven_8086";
    const auto lines = Block(item, 0);
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[19], u"[HardID]");
    EXPECT_EQ(lines[20], u" PCI\\VEN_8086&DEV_1234");
    EXPECT_EQ(lines[21], u" PCI\\VEN_8086");
    EXPECT_EQ(lines[22], u"[CompID]");
    EXPECT_EQ(lines[24], u" PCI\\VEN_8086");
}

TEST(DeviceListReport, DeviceSetThatCannotOpenGivesTheByteOrderMarkAlone) {
    test::FakeDeviceSource source;
    source.devices.resize(2);
    source.opens = false;
    const ReportText report = BuildDeviceListReport(
        [&](TList<PDeviceItem>& list) {
            return GetDeviceListFrom(source, list, kDigcfAllClasses, test::KnownMd5);
        },
        DeviceTextFormat{});
    EXPECT_EQ(report.Bytes(), std::string("\xFF\xFE"));
}

TEST(DeviceListReport, BlocksNewestInstallFirstNumberedInSortedOrder) {
    test::FakeDeviceSource source;
    source.devices.resize(3);
    const double dates[] = {0, 44986, 44987};
    const char16_t* names[] = {u"Undated", u"First of March", u"Second of March"};
    for (size_t i = 0; i < 3; ++i) {
        source.devices[i].Text(kSpdrpDeviceDesc, names[i]);
        if (dates[i] != 0) {
            const uint64_t ft = static_cast<uint64_t>((dates[i] + 109205) * 864000000000.0);
            source.devices[i].Prop(kDevKeyInstallDate, test::LittleEndianBytes(ft, 8));
        }
    }
    const ReportText report = BuildDeviceListReport(
        [&](TList<PDeviceItem>& list) {
            return GetDeviceListFrom(source, list, 4, test::KnownMd5);
        },
        DeviceTextFormat{});
    const auto& lines = report.Lines();
    ASSERT_EQ(lines.size(), 3u * 24); // 24 lines for a device without IDs
    EXPECT_EQ(lines[0], u"#0");
    EXPECT_EQ(lines[4], u" Name = Second of March");
    EXPECT_EQ(lines[24], u"#1");
    EXPECT_EQ(lines[28], u" Name = First of March");
    EXPECT_EQ(lines[48], u"#2");
    EXPECT_EQ(lines[52], u" Name = Undated");
    EXPECT_EQ(lines[56], u" InDa = 12/30/1899 00:00:00");
}

TEST(DeviceListReport, RecordsAreDisposedWhenTheEnumerationThrows) {
    test::FakeDeviceSource source;
    source.devices.resize(2);
    source.throwAtDevice = 1;
    EXPECT_THROW(BuildDeviceListReport(
                     [&](TList<PDeviceItem>& list) {
                         return GetDeviceListFrom(source, list, 4, test::KnownMd5);
                     },
                     DeviceTextFormat{}),
                 std::runtime_error);
}

} // namespace
} // namespace pv
