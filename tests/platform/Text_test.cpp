#include "platform/RegistryData.h"
#include "platform/ReportText.h"
#include "platform/Text.h"
#include <gtest/gtest.h>

using namespace pv;

TEST(Text, Utf8RoundTripKeepsSurrogatePairs) {
    const std::u16string text = u"T\u00e2che \u0416 \U0001F600 #";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(Text, PathParts) {
    EXPECT_EQ(FolderPart(u"C:\\Apps\\Plenvia\\Plenvia.exe,0"), u"C:\\Apps\\Plenvia\\");
    EXPECT_EQ(FolderPart(u"\"C:\\Apps\\P.exe\""), u"\"C:\\Apps\\");
    EXPECT_EQ(FileNamePart(u"C:\\a\\b.txt"), u"b.txt");
    EXPECT_EQ(ExtensionPart(u"C:\\a.b\\c"), u"");
    EXPECT_EQ(ExtensionPart(u"C:\\a\\X.LOG"), u".LOG");
    EXPECT_EQ(WithTrailingBackslash(u""), u"");
    EXPECT_EQ(WithTrailingBackslash(u"C:\\x"), u"C:\\x\\");
}

TEST(ReportText, BomAndCrLfAfterEveryLine) {
    ReportText r;
    EXPECT_EQ(r.Bytes(), std::string("\xFF\xFE", 2));
    r.Add(u"A");
    r.Add(u"");
    EXPECT_EQ(r.Bytes(), std::string("\xFF\xFE"
                                     "A\0\r\0\n\0\r\0\n\0",
                                     12));
}

TEST(RegistryData, StringsSurviveMissingNulAndOddLength) {
    EXPECT_EQ(DecodeRegString(kRegSz, {'a', 0, 'b', 0}), u"ab");
    EXPECT_EQ(DecodeRegString(kRegSz, {'a', 0, 'b'}), u"a");
    EXPECT_EQ(DecodeRegString(kRegExpandSz, {'a', 0, 0, 0, 'b', 0}), u"a");
    EXPECT_EQ(DecodeRegString(kRegBinary, {'a', 0}), u"");
    EXPECT_EQ(DecodeRegMultiString({'a', 0, 0, 0, 'b', 0}),
              (std::vector<std::u16string>{u"a", u"b"}));
    uint32_t v = 7;
    EXPECT_FALSE(DecodeRegDword(kRegSz, {1, 0, 0, 0}, v));
    EXPECT_EQ(v, 7u);
    EXPECT_TRUE(DecodeRegDword(kRegDword, {0xC8, 0xAF, 0, 0}, v));
    EXPECT_EQ(v, 45000u);
}

TEST(Text, HexDigitsAreUpperCaseAndZeroPadded) {
    EXPECT_EQ(HexDigits(0xE2, 4), u"00E2");
    EXPECT_EQ(HexDigits(0x0123456789ABCDEFull, 16), u"0123456789ABCDEF");
    EXPECT_EQ(HexDigits(0x1FF, 2), u"FF");
    EXPECT_EQ(HexDigits(5, 0), u"");
}
