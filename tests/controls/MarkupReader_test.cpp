#include "controls/Colors.h"
#include "controls/MarkupReader.h"
#include <gtest/gtest.h>

using namespace pv;

namespace {

std::vector<TMarkupToken> Tokens(std::u16string_view text) {
    std::vector<TMarkupToken> out;
    TMarkupReader reader(text);
    TMarkupToken t;
    while (reader.Next(t)) {
        out.push_back(t);
    }
    return out;
}

} // namespace

TEST(Preprocess, EntitiesRepeatUntilNoneApplies) {
    EXPECT_EQ(PreprocessMarkup(u"a &amp; b", true).Text, u"a && b");
    EXPECT_EQ(PreprocessMarkup(u"&amp;amp;", true).Text, u"&&&");
    EXPECT_EQ(
        PreprocessMarkup(u"&quot;x&quot; &sect;&permil;&reg;&copy;&para;&trade;&euro;", true).Text,
        u"\"x\" \u00A7\u2030\u00AE\u00A9\u00B6\u2122\u20AC");
    // Run entities are left for the text runs.
    EXPECT_EQ(PreprocessMarkup(u"&lt;&nbsp;", true).Text, u"&lt;&nbsp;");
}

TEST(Preprocess, AmpersandBetweenBlanksSwitchesAcceleratorsOff) {
    EXPECT_TRUE(PreprocessMarkup(u"<b>a</b> &amp; b", true).Accelerators);
    EXPECT_FALSE(PreprocessMarkup(u"Tom & Jerry &x", true).Accelerators);
    EXPECT_FALSE(PreprocessMarkup(u"&File", false).Accelerators);
    // The test looks at the caption before its entities are replaced.
    EXPECT_TRUE(PreprocessMarkup(u"a &amp;&nbsp;b", true).Accelerators);
}

TEST(Preprocess, HashTagsAndLineBreaks) {
    EXPECT_EQ(PreprocessMarkup(u"Sum: <#total> done", true).Text, u"Sum: #total done");
    EXPECT_EQ(PreprocessMarkup(u"<#a><#b>", true).Text, u"#a#b");
    EXPECT_EQ(PreprocessMarkup(u"<#open", true).Text, u"#open");
    EXPECT_EQ(PreprocessMarkup(u"a\r\nb\rc\nd", true).Text, u"a<BR>b<BR>c\nd");
}

TEST(Tokens, TextRunsTagsAndClosingTags) {
    const auto t = Tokens(u"x&lt;y<b>bold</B >&gt;&nbsp;");
    ASSERT_EQ(t.size(), 5u);
    EXPECT_FALSE(t[0].IsTag);
    EXPECT_EQ(t[0].Text, u"x<y");
    EXPECT_TRUE(t[1].IsTag);
    EXPECT_FALSE(t[1].Closing);
    EXPECT_EQ(t[1].Kind, TTagKind::Bold);
    EXPECT_EQ(t[2].Text, u"bold");
    EXPECT_TRUE(t[3].IsTag);
    EXPECT_TRUE(t[3].Closing);
    EXPECT_EQ(t[3].Kind, TTagKind::Bold);
    EXPECT_EQ(t[4].Text, u"> ");
}

TEST(Tokens, UnclosedTagAndShortTailAreDropped) {
    auto t = Tokens(u"visible <b never closed");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].Text, u"visible ");
    t = Tokens(u"a<>");
    ASSERT_EQ(t.size(), 1u);
    t = Tokens(u"a<");
    ASSERT_EQ(t.size(), 1u);
    // "</>" is too short to close anything and matches no tag.
    t = Tokens(u"</>z");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_FALSE(t[0].Closing);
    EXPECT_EQ(t[0].Kind, TTagKind::Unknown);
}

struct TagCase {
    const char16_t* body;
    TTagKind kind;
};

class TagIdentity : public testing::TestWithParam<TagCase> {};

TEST_P(TagIdentity, ByFirstLettersIgnoringCase) {
    EXPECT_EQ(IdentifyTag(GetParam().body), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, TagIdentity,
    testing::Values(TagCase{u"a href=x", TTagKind::Anchor}, TagCase{u"b", TTagKind::Bold},
                    TagCase{u"Br", TTagKind::Break}, TagCase{u"BODY bgcolor=#fff", TTagKind::Body},
                    TagCase{u"i", TTagKind::Italic}, TagCase{u"img src=x", TTagKind::Image},
                    TagCase{u"ind x=4", TTagKind::Indent}, TagCase{u"u", TTagKind::Underline},
                    TagCase{u"ul", TTagKind::UnorderedList}, TagCase{u"s", TTagKind::Strike},
                    TagCase{u"strike", TTagKind::Strike}, TagCase{u"shad", TTagKind::Shadow},
                    TagCase{u"sub", TTagKind::Sub}, TagCase{u"SUP", TTagKind::Sup},
                    TagCase{u"span style=x", TTagKind::Span}, TagCase{u"font", TTagKind::Font},
                    TagCase{u"p align=right", TTagKind::Paragraph},
                    TagCase{u"hi", TTagKind::Highlight}, TagCase{u"hr", TTagKind::Rule},
                    TagCase{u"h1", TTagKind::Unknown}, TagCase{u"e", TTagKind::ErrorMark},
                    TagCase{u"z", TTagKind::Hidden}, TagCase{u"li", TTagKind::ListItem},
                    TagCase{u"ol", TTagKind::OrderedList}, TagCase{u"of x=3", TTagKind::Offset},
                    TagCase{u"o", TTagKind::Unknown}, TagCase{u"r a=90", TTagKind::Rotate},
                    TagCase{u"x", TTagKind::Unknown}, TagCase{u"", TTagKind::Unknown},
                    TagCase{u"\u00e4", TTagKind::Unknown}));

TEST(Attributes, ValuesQuotesBlanksAndCase) {
    EXPECT_EQ(ReadAttribute(u"font color=#ff0000 size=2", u" COLOR"), u"#FF0000");
    EXPECT_EQ(ReadAttribute(u"font bgcolor=clRed", u" COLOR"), std::nullopt);
    EXPECT_EQ(ReadAttribute(u"font bgcolor=clRed", u"BGCOLOR"), u"CLRED");
    EXPECT_EQ(ReadAttribute(u"a href=  \"http://X.org/a b\" title=Hi", u"HREF", true),
              u"http://X.org/a b");
    EXPECT_EQ(ReadAttribute(u"a title=Hello", u"TITLE", true), u"Hello");
    EXPECT_EQ(ReadAttribute(u"a href=\"open ended", u"HREF", true), u"open");
    EXPECT_EQ(ReadAttribute(u"a href", u"HREF"), std::nullopt);
    EXPECT_EQ(ReadAttribute(u"a href=", u"HREF"), u"");
    EXPECT_EQ(ReadAttribute(u"A MaxLine=2", u"MAXLINE"), u"2");
}

TEST(Attributes, IntegersClampAndStopAtFirstNonDigit) {
    EXPECT_EQ(ParseMarkupInt(u" 12pt"), 12);
    EXPECT_EQ(ParseMarkupInt(u"-3"), -3);
    EXPECT_EQ(ParseMarkupInt(u"99999999999999"), 1000000);
    EXPECT_EQ(ParseMarkupInt(u"x"), std::nullopt);
    EXPECT_EQ(ParseMarkupInt(u"-"), std::nullopt);
}

struct ColorCase {
    const char16_t* value;
    TColor color;
};

class ColorValues : public testing::TestWithParam<ColorCase> {};

TEST_P(ColorValues, HexPairsAndNames) {
    EXPECT_EQ(ParseColorValue(GetParam().value), GetParam().color);
}

INSTANTIATE_TEST_SUITE_P(
    Colors, ColorValues,
    testing::Values(ColorCase{u"#FF0000", 0x0000FF}, ColorCase{u"$00FF00", 0x00FF00},
                    ColorCase{u"#0000FF", 0xFF0000}, ColorCase{u"#123456", 0x563412},
                    ColorCase{u"clRed", 0x0000FF}, ColorCase{u"CLRED", 0x0000FF},
                    ColorCase{u"clNavy", 0x800000}, ColorCase{u"clTeal", 0x808000},
                    ColorCase{u"clMaroon", 0x000080}, ColorCase{u"clAqua", 0xFFFF00},
                    ColorCase{u"clBackground", SystemColor(1)},
                    ColorCase{u"clHighlight", SystemColor(13)},
                    ColorCase{u"clInfoBk", SystemColor(24)},
                    ColorCase{u"cl3DDkShadow", SystemColor(21)}, ColorCase{u"clHotLight", clBlack},
                    ColorCase{u"tomato", clBlack}, ColorCase{u"", clBlack},
                    ColorCase{u"#FFF", clBlack}, ColorCase{u"#GG0000", clBlack}));

TEST(Colors, SystemColorEncoding) {
    EXPECT_EQ(static_cast<uint32_t>(clHotLight), 0xFF00001Au);
    EXPECT_EQ(static_cast<uint32_t>(clGrayText), 0xFF000011u);
    EXPECT_TRUE(IsSystemColor(clGrayText));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_EQ(SystemColorIndex(clHotLight), 26);
}
