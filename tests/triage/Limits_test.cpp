// Hostile shapes: a few megabytes that would otherwise become millions of records.
#include "triage/Limits.h"
#include "triage/Parsers.h"
#include "triage/ReportText.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

bool HasNote(const std::vector<ReadNote>& notes, const std::string& id) {
    for (const ReadNote& n : notes) {
        if (n.Id == id) {
            return true;
        }
    }
    return false;
}

std::string Repeat(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(Limits, ManyEmptyLinesStopAtTheLineLimit) {
    const std::string bytes = "\xFF\xFE" + Repeat(std::string("\n\0", 2), kMaxLinesPerMember + 10);
    const DecodedText text = DecodeReportText(bytes);
    EXPECT_EQ(text.LineCount(), kMaxLinesPerMember);
    EXPECT_TRUE(text.LineLimitHit);
    std::vector<ReadNote> notes;
    NoteDecoding(text, "SystemInfo.txt", true, notes);
    EXPECT_TRUE(HasNote(notes, "read.limit"));
}

TEST(Limits, ExactlyTheLineLimitIsNoCut) {
    const DecodedText text = DecodeReportText(Repeat("\n", kMaxLinesPerMember));
    EXPECT_EQ(text.LineCount(), kMaxLinesPerMember);
    EXPECT_FALSE(text.LineLimitHit);
}

TEST(Limits, DeviceListStopsAtTheDeviceLimit) {
    std::vector<ReadNote> notes;
    const std::vector<Device> devices =
        ParseDeviceList(Repeat("[Device]\n", kMaxDevices + 1), "DeviceList.txt", notes);
    EXPECT_EQ(devices.size(), kMaxDevices);
    EXPECT_TRUE(HasNote(notes, "read.limit"));
}

TEST(Limits, HostsPastTheLimitStillShowTheMakersEntries) {
    std::vector<ReadNote> notes;
    const std::vector<HostsEntry> entries = ParseHostsFile(
        Repeat("0.0.0.0 ads.example\n", kMaxHostsEntries + 5) + "127.0.0.1 www.orvix.com\n",
        "Hosts", {"www.orvix.com"}, notes);
    ASSERT_EQ(entries.size(), kMaxHostsEntries + 1);
    EXPECT_EQ(entries.back().Host, "www.orvix.com");
    EXPECT_EQ(entries.back().Where.Line, static_cast<int>(kMaxHostsEntries) + 6);
    EXPECT_TRUE(HasNote(notes, "read.limit"));
}

TEST(Limits, InstallLogKeepsTheFirstErrorsOfASection) {
    std::vector<ReadNote> notes;
    const std::vector<InstallSection> sections = ParseSetupApiLog(
        ">>>  Section start 2024/03/29 10:02:11.123\n" +
            Repeat("!!!  e\n", kMaxErrorsPerSection + 3) + "<<<  [Exit status: FAILURE(0x1)]\n",
        "setupapi.dev.log", notes);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].Errors.size(), kMaxErrorsPerSection);
    EXPECT_TRUE(sections[0].Failed);
    EXPECT_EQ(notes.size(), 1u);
}

} // namespace
} // namespace pv::triage
