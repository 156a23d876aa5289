#include "ReportBytes.h"
#include "triage/parse/ReportText.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

std::vector<std::string> LinesOf(const DecodedText& text) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < text.LineCount(); ++i) {
        lines.emplace_back(text.Line(i));
    }
    return lines;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    bool bom;
    bool odd;
    std::vector<std::string> lines;
};

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DetectsEncodingAndSplitsLines) {
    const DecodeCase& c = GetParam();
    const DecodedText text = DecodeReportText(c.bytes);
    EXPECT_EQ(text.Encoding, c.encoding);
    EXPECT_EQ(text.HadBom, c.bom);
    EXPECT_EQ(text.OddLength, c.odd);
    EXPECT_EQ(LinesOf(text), c.lines);
}

const std::string kReport = test::Utf16Report({"ftype=full", "", "shareid=Ä€"});

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeTest,
    testing::Values(
        DecodeCase{"Utf16WithBom",
                   kReport,
                   TextEncoding::Utf16Le,
                   true,
                   false,
                   {"ftype=full", "", "shareid=Ä€"}},
        DecodeCase{"Utf16WithoutBom",
                   kReport.substr(2),
                   TextEncoding::Utf16Le,
                   false,
                   false,
                   {"ftype=full", "", "shareid=Ä€"}},
        DecodeCase{"OddLengthDropsLastByte",
                   kReport + "x",
                   TextEncoding::Utf16Le,
                   true,
                   true,
                   {"ftype=full", "", "shareid=Ä€"}},
        DecodeCase{"CutInsideACharacter",
                   kReport.substr(0, kReport.size() - 3),
                   TextEncoding::Utf16Le,
                   true,
                   true,
                   {"ftype=full", "", "shareid=Ä€"}},
        DecodeCase{"Utf16BigEndian",
                   std::string("\xFE\xFF\0a\0\r\0\n\0b", 10),
                   TextEncoding::Utf16Be,
                   true,
                   false,
                   {"a", "b"}},
        DecodeCase{"SurrogatePair",
                   std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6),
                   TextEncoding::Utf16Le,
                   true,
                   false,
                   {"\xF0\x9F\x98\x80"}},
        DecodeCase{"UnpairedSurrogate",
                   std::string("\xFF\xFE\x3D\xD8x\0", 6),
                   TextEncoding::Utf16Le,
                   true,
                   false,
                   {"\xEF\xBF\xBDx"}},
        DecodeCase{"AnsiHostsFile",
                   "127.0.0.1 localhost\r\n# caf\xE9 \x80\n",
                   TextEncoding::Ansi,
                   false,
                   false,
                   {"127.0.0.1 localhost", "# caf\xC3\xA9 \xE2\x82\xAC"}},
        DecodeCase{
            "Utf8WithoutBom", "caf\xC3\xA9\n", TextEncoding::Utf8, false, false, {"caf\xC3\xA9"}},
        DecodeCase{
            "Utf8WithBom", "\xEF\xBB\xBFx\r\ny", TextEncoding::Utf8, true, false, {"x", "y"}},
        DecodeCase{
            "BareCarriageReturnStays", "a\rb\r\n", TextEncoding::Utf8, false, false, {"a\rb"}},
        DecodeCase{"Empty", "", TextEncoding::Utf8, false, false, {}},
        DecodeCase{"BomOnly", "\xFF\xFE", TextEncoding::Utf16Le, true, false, {}},
        DecodeCase{"OnlyALineBreak",
                   std::string("\xFF\xFE\r\0\n\0", 6),
                   TextEncoding::Utf16Le,
                   true,
                   false,
                   {""}}),
    [](const auto& info) { return info.param.name; });

TEST(DecodeReportText, CutsLongLinesAndKeepsTheNext) {
    const std::string bytes = std::string(100, 'a') + "\r\nnext\r\n" + std::string(10, 'b');
    const DecodedText text = DecodeReportText(bytes, 8);
    EXPECT_EQ(LinesOf(text), (std::vector<std::string>{"aaaaaaaa", "next", "bbbbbbbb"}));
    EXPECT_EQ(text.CutLines, 2u);
    EXPECT_EQ(text.FirstCutLine, 1);
}

TEST(DecodeReportText, NeverSplitsACharacterAtTheCap) {
    // "é" is two UTF-8 bytes; a cap of 3 keeps "aé" (3 bytes) but not "aéé".
    const DecodedText text = DecodeReportText("a\xC3\xA9\xC3\xA9", 4);
    ASSERT_EQ(text.LineCount(), 1u);
    EXPECT_EQ(text.Line(0), "a\xC3\xA9");
}

// Regression: a report of one line of many megabytes must not be copied whole.
TEST(DecodeReportText, MegabyteLineStaysWithinTheCap) {
    std::string line(16u << 20, 'x');
    const std::string bytes =
        "\xFF\xFE" + Utf16LeBytes(FromAscii(line)) + std::string("\r\0\n\0", 4);
    const DecodedText text = DecodeReportText(bytes);
    ASSERT_EQ(text.LineCount(), 1u);
    EXPECT_EQ(text.Line(0).size(), kDefaultLineCap);
    EXPECT_EQ(text.HeldBytes(), kDefaultLineCap);
    EXPECT_EQ(text.CutLines, 1u);
}

TEST(NoteDecoding, NamesEveryOddity) {
    std::vector<ReadNote> notes;
    const std::string longLine = Utf16LeBytes(FromAscii(std::string(100, 'a')));
    const DecodedText text = DecodeReportText(kReport.substr(2) + longLine + "x", 64);
    NoteDecoding(text, "pvreg.txt", true, notes);
    std::vector<std::string> ids;
    for (const ReadNote& n : notes) {
        ids.push_back(n.Id);
        EXPECT_EQ(n.Where.Member, "pvreg.txt");
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"read.encoding", "read.encoding", "read.long_line"}));
}

TEST(NoteDecoding, SingleByteFilesNeedNoMark) {
    std::vector<ReadNote> notes;
    NoteDecoding(DecodeReportText("127.0.0.1 localhost\r\n"), "Hosts", false, notes);
    EXPECT_TRUE(notes.empty());
}

} // namespace
} // namespace pv::triage
