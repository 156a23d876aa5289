#include "app/FormMainRules.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pv {
namespace {

TEST(WaitingAnimation, ElevenTicksFromStartUp) {
    const std::vector<std::u16string> expected = {
        u">>========", u"=>>=======", u"==>>======", u"===>>=====", u"====>>====", u"=====>>===",
        u"======>>==", u"=======>>=", u"========>>", u">========>", u">>========"};
    int32_t step = 1; // the value at start-up
    for (size_t tick = 0; tick < expected.size(); ++tick) {
        EXPECT_EQ(WaitingFrame(step), expected[tick]) << "tick " << tick + 1;
        step = NextWaitingStep(step);
        EXPECT_GE(step, 0);
        EXPECT_LE(step, 9);
    }
}

TEST(ArchiveFileName, DateOnlyAndZeroPadded) {
    EXPECT_EQ(ArchiveFileName(2024, 1, 31), u"pv_info_20240131_i.zip");
    EXPECT_EQ(ArchiveFileName(2024, 12, 5), u"pv_info_20241205_i.zip");
    EXPECT_EQ(ArchiveFileName(999, 7, 8), u"pv_info_09990708_i.zip");
}

TEST(CompletionText, ExactUnitsWithLoneCarriageReturn) {
    const std::u16string text = CompletionText(u"pv_info_20240131_i.zip");
    const std::u16string expected = u"Report file has been saved to desktop\x000D"
                                    u"Filename : pv_info_20240131_i.zip";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.find(u'\n'), std::u16string::npos);
    EXPECT_EQ(text.size(), 37u + 1u + 11u + 22u);
}

TEST(EndOfJobText, FailureReportedAsSuccess) {
    EXPECT_EQ(EndOfJobText(true, u"pv_info_20240131_i.zip"),
              CompletionText(u"pv_info_20240131_i.zip"));
    const std::u16string failed = EndOfJobText(false, u"pv_info_20240131_i.zip");
    EXPECT_EQ(failed, FailureText());
    EXPECT_EQ(failed.find(u"has been saved"), std::u16string::npos);
    EXPECT_EQ(failed.find(u"pv_info_"), std::u16string::npos);
}

} // namespace
} // namespace pv
