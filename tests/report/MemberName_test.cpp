#include "report/MemberName.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

struct EscapeCase {
    const char* label;
    std::u16string name;
    std::u16string escaped;
};

class MemberNameEscape : public testing::TestWithParam<EscapeCase> {};

TEST_P(MemberNameEscape, MatchesSupportFormat) {
    EXPECT_EQ(EscapeMemberName(GetParam().name), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MemberNameEscape,
    testing::Values(
        EscapeCase{"Ascii", u"AppData\\Logs\\Main\\20240131.log",
                   u"AppData\\Logs\\Main\\20240131.log"},
        EscapeCase{"LatinSmallAWithCircumflex", u"AppData\\Logs\\Scheduler\\T\u00E2che.log",
                   u"AppData\\Logs\\Scheduler\\T#00E2che.log"},
        EscapeCase{"Cyrillic", u"\u041F\u0440\u0438\u0432.txt", u"#041F#0440#0438#0432.txt"},
        EscapeCase{"SurrogatePairTwoEscapes", u"a\U0001F600.log", u"a#D83D#DE00.log"},
        EscapeCase{"HashKept", u"Debug\\#1 run.log", u"Debug\\#1 run.log"},
        EscapeCase{"HashBesideEscape", u"#\u00E9#", u"##00E9#"},
        EscapeCase{"HighestUnit", u"\uFFFF", u"#FFFF"},
        EscapeCase{"ControlAndDelKept", u"\x01\x7F", u"\x01\x7F"},
        EscapeCase{"FirstNonAscii", u"\u0080", u"#0080"}, EscapeCase{"Empty", u"", u""}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.label); });

TEST(MemberNameEscapeResult, HoldsOnlyAscii) {
    const std::u16string escaped = EscapeMemberName(u"\u00E9\u4E2D\U00010348#\\x");
    for (const char16_t c : escaped) {
        EXPECT_LT(c, 0x80);
    }
}

} // namespace
} // namespace pv
