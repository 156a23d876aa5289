#include "report/DriverSettings.h"
#include <gtest/gtest.h>

using namespace pv;

namespace {
const std::u16string kMachine = u"C:\\ProgramData\\Orvix\\Plenvia\\";
}

struct DriverPathCase {
    DriverPath Which;
    bool SettingsExist;
    const char16_t* Value;
    const char16_t* Expected;
};

class DriverPathTest : public testing::TestWithParam<DriverPathCase> {};

TEST_P(DriverPathTest, AppendsOrFallsBack) {
    const auto& c = GetParam();
    EXPECT_EQ(DriverPathFrom(c.Which, c.SettingsExist, c.Value, kMachine), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, DriverPathTest,
    testing::Values(
        DriverPathCase{DriverPath::BackupIndexIni, true, u"D:\\Drv", u"D:\\Drv\\Vault.ini"},
        DriverPathCase{DriverPath::BackupIndexIni, true, u"D:\\Drv\\", u"D:\\Drv\\Vault.ini"},
        DriverPathCase{DriverPath::BackupIndexJson, true, u"D:\\Drv", u"D:\\Drv\\Vault.json"},
        DriverPathCase{DriverPath::DownloadFolder, true, u"E:\\Down", u"E:\\Down\\"},
        DriverPathCase{DriverPath::DownloadFolder, true, u"E:\\Down\\", u"E:\\Down\\"},
        // A value is used as it stands, blanks inside included.
        DriverPathCase{DriverPath::DownloadFolder, true, u"E:\\My Drivers", u"E:\\My Drivers\\"},
        DriverPathCase{DriverPath::BackupIndexIni, true, u"",
                       u"C:\\ProgramData\\Orvix\\Plenvia\\Vault\\Vault.ini"},
        DriverPathCase{DriverPath::BackupIndexJson, true, u"",
                       u"C:\\ProgramData\\Orvix\\Plenvia\\Vault\\Vault.json"},
        DriverPathCase{DriverPath::DownloadFolder, true, u"",
                       u"C:\\ProgramData\\Orvix\\Plenvia\\Download\\"},
        DriverPathCase{DriverPath::BackupIndexIni, false, u"D:\\Drv", u""},
        DriverPathCase{DriverPath::DownloadFolder, false, u"", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"\\\\nas\\drivers",
                       u"\\\\nas\\drivers\\"},
        // Regression: a device path made the elevated listing open named pipes of the user's.
        DriverPathCase{DriverPath::DownloadFolder, true, u"\\\\.\\pipe\\", u""},
        DriverPathCase{DriverPath::BackupIndexIni, true, u"\\\\?\\C:\\Drv", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"\\\\nas", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"\\\\nas\\\\x", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"Download", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"\\Download", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"C:Download", u""},
        DriverPathCase{DriverPath::BackupIndexJson, true, u"D:\\Drv\\..\\..\\Windows", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"D:\\Drv\\x.txt:stream", u""},
        // Regression: the host product accepts forward slashes, and the folder's files went
        // missing from the listing; they are the separators the system takes them for.
        DriverPathCase{DriverPath::BackupIndexIni, true, u"D:/Drv", u"D:\\Drv\\Vault.ini"},
        DriverPathCase{DriverPath::DownloadFolder, true, u"D:/Drv/Down/", u"D:\\Drv\\Down\\"},
        DriverPathCase{DriverPath::DownloadFolder, true, u"//nas/drivers", u"\\\\nas\\drivers\\"},
        DriverPathCase{DriverPath::DownloadFolder, true, u"//./pipe/", u""},
        DriverPathCase{DriverPath::DownloadFolder, true, u"D:/Drv/../../Windows", u""}));

TEST(IniValue, FindsKeysOfTheSectionIgnoringCase) {
    const std::u16string ini = u"[Main]\r\nBackPath=wrong\r\n; BackPath=comment\r\n"
                               u"[ drivers ]\r\n  backpath =  D:\\Drv  \r\nDownPath=\r\n"
                               u"BackPath=second\r\n[Other]\nDownPath=x\n";
    EXPECT_EQ(IniValue(ini, u"Drivers", u"BackPath"), u"D:\\Drv");
    EXPECT_EQ(IniValue(ini, u"Drivers", u"DownPath"), u"");
    EXPECT_EQ(IniValue(ini, u"Drivers", u"Missing"), u"");
    EXPECT_EQ(IniValue(ini, u"Other", u"DOWNPATH"), u"x");
    EXPECT_EQ(IniValue(u"", u"Drivers", u"BackPath"), u"");
    EXPECT_EQ(IniValue(u"[Drivers", u"Drivers", u"BackPath"), u"");
}

TEST(DecodeIniBytes, ByteOrderMarkSelectsTheEncoding) {
    const AnsiDecoder latin1 = [](std::string_view b) {
        std::u16string s;
        for (unsigned char c : b) {
            s += static_cast<char16_t>(c);
        }
        return s;
    };
    EXPECT_EQ(DecodeIniBytes("\xEF\xBB\xBF"
                             "a\xC3\xA9",
                             latin1),
              u"a\u00e9");
    EXPECT_EQ(DecodeIniBytes(std::string("\xFF\xFE"
                                         "a\0\xE9\0",
                                         6),
                             latin1),
              u"a\u00e9");
    EXPECT_EQ(DecodeIniBytes(std::string("\xFE\xFF\0a\0\xE9", 6), latin1), u"a\u00e9");
    EXPECT_EQ(DecodeIniBytes("a\xE9", latin1), u"a\u00e9");
    // An odd trailing byte of UTF-16 text is dropped.
    EXPECT_EQ(DecodeIniBytes(std::string("\xFF\xFE"
                                         "a\0b",
                                         5),
                             latin1),
              u"a");
}

TEST(DecodeIniBytes, RandomBytesNeverBreakTheLookup) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) {
        junk += static_cast<char>((i * 7919 + 13) & 0xFF);
    }
    for (const char* prefix : {"", "\xFF\xFE", "\xEF\xBB\xBF"}) {
        const std::u16string text = DecodeIniBytes(std::string(prefix) + junk, nullptr);
        EXPECT_NO_THROW(IniValue(text, u"Drivers", u"BackPath"));
    }
}
