#include "zip/ZipFormat.h"

#include <gtest/gtest.h>

namespace pv::zipfmt {
namespace {

struct StoredCase {
    const char16_t* name;
    bool stored;
};

class StoredName : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredName, ExtensionDecidesIgnoringCase) {
    EXPECT_EQ(IsStoredName(GetParam().name), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Names, StoredName,
    ::testing::Values(StoredCase{u"x.ZIP", true}, StoredCase{u"data.gz", true},
                      StoredCase{u"old.Tgz", true}, StoredCase{u"a.z", true},
                      StoredCase{u"Logs\\b.Zoo", true}, StoredCase{u"c.arc", true},
                      StoredCase{u"d.LZH", true}, StoredCase{u"e.arj", true},
                      StoredCase{u"report.zip.txt", false}, StoredCase{u"dir.zip/readme", false},
                      StoredCase{u"zip", false}, StoredCase{u"a.zipx", false},
                      StoredCase{u"a.tar.gz", true}, StoredCase{u"archive.7z", false}));

TEST(MemberName, BackslashesBecomeSlashesAndTextBecomesUtf8) {
    EXPECT_EQ(MemberNameBytes(u"Logs\\a.txt"), "Logs/a.txt");
    EXPECT_EQ(MemberNameBytes(u"AppData\\T\u00e2che.log"), "AppData/T\xC3\xA2"
                                                           "che.log");
    EXPECT_EQ(MemberNameBytes(u"\U0001F600.txt"), "\xF0\x9F\x98\x80.txt");
}

TEST(DosStamp, UtcFieldsOfLastWriteTime) {
    // 2023-05-17 12:34:57 UTC
    const DosStamp s = DosStampFromUnix(1684326897);
    EXPECT_EQ(s.time >> 11, 12);
    EXPECT_EQ((s.time >> 5) & 0x3F, 34);
    EXPECT_EQ(s.time & 0x1F, 28);
    EXPECT_EQ(s.date >> 9, 2023 - 1980);
    EXPECT_EQ((s.date >> 5) & 0x0F, 5);
    EXPECT_EQ(s.date & 0x1F, 17);
}

TEST(DosStamp, LeapDayAndYearEnd) {
    EXPECT_EQ(DosStampFromUnix(951782400).date, ((2000 - 1980) << 9) | (2 << 5) | 29); // 2000-02-29
    const DosStamp s = DosStampFromUnix(1704067199); // 2023-12-31 23:59:59
    EXPECT_EQ(s.date, ((2023 - 1980) << 9) | (12 << 5) | 31);
    EXPECT_EQ(s.time, (23 << 11) | (59 << 5) | 29);
}

// Regression: years outside the DOS range wrapped into unrelated dates (1970 read as 2098).
TEST(DosStamp, YearsOutsideDosRangeAreClamped) {
    EXPECT_EQ(DosStampFromUnix(0).date, (1 << 5) | 1);
    EXPECT_EQ(DosStampFromUnix(0).time, 0);
    EXPECT_EQ(DosStampFromUnix(-86400 * 400).date, (1 << 5) | 1);
    const DosStamp late = DosStampFromUnix(4354819200); // 2108-01-01
    EXPECT_EQ(late.date, (127 << 9) | (12 << 5) | 31);
}

TEST(ExternalAttributes, UnixModeAboveWindowsBits) {
    EXPECT_EQ(ExternalAttributes(0x20, false), 0x81800020u);
    EXPECT_EQ(ExternalAttributes(0x21, false), 0x81000021u);
    EXPECT_EQ(ExternalAttributes(0x27, false), 0x81000027u);
    EXPECT_EQ(ExternalAttributes(0x00, false), 0x81800000u);
    EXPECT_EQ(ExternalAttributes(0x20, true), 0x81C00020u);
    EXPECT_EQ(ExternalAttributes(0x10 | 0x80, false), 0x81800000u); // other bits dropped
}

} // namespace
} // namespace pv::zipfmt
