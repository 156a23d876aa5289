#include "platform/RegistryData.h"
#include "product/AppConfig.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

std::vector<uint8_t> Utf16Bytes(const std::u16string& text, bool withNul = true) {
    std::vector<uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (withNul) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

struct IconCase {
    const char* Name;
    uint32_t Type;
    std::u16string Value;
    std::u16string Folder;
};

class DisplayIconFolder : public testing::TestWithParam<IconCase> {};

TEST_P(DisplayIconFolder, GivesFolderPart) {
    const IconCase& c = GetParam();
    EXPECT_EQ(FolderFromDisplayIcon(c.Type, Utf16Bytes(c.Value)), c.Folder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayIconFolder,
    testing::Values(
        IconCase{"IconSuffix", kRegSz, u"C:\\Apps\\Plenvia\\Plenvia.exe,0", u"C:\\Apps\\Plenvia\\"},
        IconCase{"Plain", kRegSz, u"C:\\Apps\\Plenvia\\Plenvia.exe", u"C:\\Apps\\Plenvia\\"},
        IconCase{"LeadingQuoteKept", kRegSz, u"\"C:\\Program Files\\Plenvia\\Plenvia.exe\",0",
                 u"\"C:\\Program Files\\Plenvia\\"},
        IconCase{"ExpandSzNotExpanded", kRegExpandSz, u"%ProgramFiles%\\Plenvia\\P.exe",
                 u"%ProgramFiles%\\Plenvia\\"},
        IconCase{"DriveColonOnly", kRegSz, u"D:Plenvia.exe", u"D:"},
        IconCase{"NoFolder", kRegSz, u"Plenvia.exe,0", u""}, IconCase{"Empty", kRegSz, u"", u""},
        IconCase{"BinaryIsNotText", kRegBinary, u"C:\\Apps\\Plenvia\\Plenvia.exe", u""},
        IconCase{"DwordIsNotText", kRegDword, u"C:\\x\\", u""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DisplayIconFolderBytes, ValueWithoutNulOrWithOddLength) {
    std::vector<uint8_t> bytes = Utf16Bytes(u"C:\\A\\B.exe", false);
    EXPECT_EQ(FolderFromDisplayIcon(kRegSz, bytes), u"C:\\A\\");
    bytes.push_back(0x41);
    EXPECT_EQ(FolderFromDisplayIcon(kRegSz, bytes), u"C:\\A\\");
}

TEST(EditionKeys, EightKeysNativeThenWow64PerProductNumber) {
    const auto& keys = EditionKeys();
    ASSERT_EQ(keys.size(), 8u);
    EXPECT_EQ(keys[0],
              u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumen App 612830");
    EXPECT_EQ(keys[1],
              u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumen App "
              u"612830");
    EXPECT_EQ(keys[2],
              u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumen App 684470");
    EXPECT_EQ(keys[5],
              u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumen App "
              u"739520");
    EXPECT_EQ(keys[7],
              u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumen App "
              u"796110");
}

TEST(EditionFolderFromLocation, AddsBackslashOnlyWhenMissing) {
    EXPECT_EQ(EditionFolderFromLocation(u"D:\\Lumen\\Plenvia"), u"D:\\Lumen\\Plenvia\\");
    EXPECT_EQ(EditionFolderFromLocation(u"D:\\Lumen\\Plenvia\\"), u"D:\\Lumen\\Plenvia\\");
    EXPECT_EQ(EditionFolderFromLocation(u""), u"");
}

// 31 January 2024 is day 45322 of the date numbering.
constexpr double kJan31_2024 = 45322.0;
constexpr double kSecond = 1.0 / 86400.0;

struct DateCase {
    const char* Name;
    std::u16string Text;
    double Expected;
};

class InstDate1Parsing : public testing::TestWithParam<DateCase> {};

TEST_P(InstDate1Parsing, GivesDateTimeValue) {
    const DateCase& c = GetParam();
    EXPECT_NEAR(ParseInstDate1(c.Text), c.Expected, 1e-9) << "text: " << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstDate1Parsing,
    testing::Values(DateCase{"MillisecondsDropped", u"01/31/2024 10:20:30:400",
                             kJan31_2024 + (10 * 3600 + 20 * 60 + 30) * kSecond},
                    DateCase{"NoMilliseconds", u"01/31/2024 10:20:30",
                             kJan31_2024 + (10 * 3600 + 20 * 60 + 30) * kSecond},
                    DateCase{"DateOnly", u"01/31/2024", kJan31_2024},
                    DateCase{"SingleDigits", u"1/2/2024 3:04:05:006",
                             45293.0 + (3 * 3600 + 4 * 60 + 5) * kSecond},
                    DateCase{"Epoch", u"12/30/1899 00:00:00:000", 0.0},
                    DateCase{"LeapDay", u"02/29/2024 00:00:00:000", 45351.0},
                    DateCase{"SurroundingBlanks", u"  01/31/2024 00:00:00:000 ", kJan31_2024},
                    DateCase{"Empty", u"", 0.0},
                    DateCase{"DayMonthOrderRejected", u"31/01/2024 10:20:30:400", 0.0},
                    DateCase{"NotLeapYear", u"02/29/2023 00:00:00:000", 0.0},
                    DateCase{"DashSeparators", u"01-31-2024 10:20:30:400", 0.0},
                    DateCase{"TwoDigitYear", u"01/31/24 10:20:30", 0.0},
                    DateCase{"HourOutOfRange", u"01/31/2024 24:00:00:000", 0.0},
                    DateCase{"Garbage", u"yesterday", 0.0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CombineInstallDate, SmallerOfTheKnownValues) {
    const double settings = ParseInstDate1(u"01/31/2024 10:20:30:400");
    // 45000 is 15 March 2023, earlier than the settings file's date.
    EXPECT_EQ(CombineInstallDate(settings, 45000), 45000.0);
    EXPECT_NEAR(CombineInstallDate(settings, 46000), settings, 1e-9);
    EXPECT_NEAR(CombineInstallDate(settings, 0), settings, 1e-9);
    EXPECT_EQ(CombineInstallDate(0, 45000), 45000.0);
    EXPECT_EQ(CombineInstallDate(0, 0), 0.0);
}

TEST(ProductFolders, DerivedFromTheTwoBases) {
    SetProductFolders(u"C:\\Users\\u\\AppData\\Roaming", u"C:\\ProgramData\\");
    EXPECT_EQ(UserAppDataDir(), u"C:\\Users\\u\\AppData\\Roaming\\");
    EXPECT_EQ(UserProductFolder(), u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\");
    EXPECT_EQ(LogFolder(), u"C:\\Users\\u\\AppData\\Roaming\\Orvix\\Plenvia\\Logs\\");
    EXPECT_EQ(CommonProductFolder(), u"C:\\ProgramData\\Orvix\\Plenvia\\");
}

// An unknown base must not turn the product folders into paths relative to the current folder.
TEST(ProductFolders, UnknownBaseGivesEmptyFolders) {
    SetProductFolders(u"", u"");
    EXPECT_EQ(UserProductFolder(), u"");
    EXPECT_EQ(LogFolder(), u"");
    EXPECT_EQ(CommonProductFolder(), u"");
}

} // namespace
} // namespace pv
