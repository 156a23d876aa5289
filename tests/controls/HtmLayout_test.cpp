#include "FakeCanvas.h"
#include "controls/HtmLayout.h"
#include "controls/MarkupReader.h"
#include <gtest/gtest.h>

using namespace pv;
using pv::test::FakeCanvas;

namespace {

// Character height 11 gives 14-pixel lines on the fake canvas; characters are 6 pixels wide.
constexpr int kLine = 14;
constexpr int kChar = 6;

THtmLayout Lay(FakeCanvas& canvas, std::u16string_view caption, TRect rect,
               TLayoutOptions options = {}, const std::vector<TLinkStyle>& links = {},
               int hover = -1) {
    const TPreprocessedMarkup text = PreprocessMarkup(caption, true);
    options.Accelerators = text.Accelerators;
    return LayoutMarkup(canvas, text.Text, TFontData{}, options, rect, links, hover);
}

std::u16string LineText(const TLayoutLine& line) {
    std::u16string s;
    for (const auto& p : line.Pieces) {
        s += p.Text;
    }
    return s;
}

std::vector<std::u16string> LineTexts(const THtmLayout& layout) {
    std::vector<std::u16string> out;
    for (const auto& l : layout.Lines) {
        out.push_back(LineText(l));
    }
    return out;
}

TLinkStyle LinkFor(const TFontData& labelFont) {
    TLinkStyle link;
    link.Font = labelFont;
    link.Font.Style = fsUnderline;
    link.FontHover = link.Font;
    link.FontHover.Color = clHotLight;
    return link;
}

const std::u16string kWindowSentence =
    u"This tool will collect information to help us diagnose and fix the problem you are "
    u"experiencing with our product. By sending us the report, you accept our <a>Privacy "
    u"Policy</a>.";

} // namespace

TEST(Layout, BoldThenOneAmpersandWithoutAccelerator) {
    FakeCanvas c;
    const auto layout = Lay(c, u"<b>a</b> &amp; b", {0, 0, 200, 50});
    ASSERT_EQ(layout.Lines.size(), 1u);
    const auto& pieces = layout.Lines[0].Pieces;
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].Text, u"a");
    EXPECT_TRUE(pieces[0].Style.Font.Style & fsBold);
    EXPECT_EQ(pieces[0].Width, 7);
    // "&&" reaches the platform's prefix drawing, which shows one "&": four characters wide and
    // no character marked as an accelerator.
    EXPECT_EQ(pieces[1].Text, u" && b");
    EXPECT_TRUE(pieces[1].Flags.Accelerators);
    EXPECT_FALSE(pieces[1].Style.Font.Style & fsBold);
    EXPECT_EQ(pieces[1].Width, 4 * kChar);
    EXPECT_EQ(pieces[1].X, 7);
}

TEST(Layout, AmpersandBetweenBlanksDrawsEveryAmpersand) {
    FakeCanvas c;
    const auto layout = Lay(c, u"Tom & Jerry &x &amp;", {0, 0, 300, 50});
    const auto& piece = layout.Lines.at(0).Pieces.at(0);
    EXPECT_FALSE(piece.Flags.Accelerators);
    EXPECT_EQ(piece.Text, u"Tom & Jerry &x &&");
    EXPECT_EQ(piece.Width, 17 * kChar);
}

TEST(Layout, AcceleratorMarksNextCharacter) {
    FakeCanvas c;
    const auto layout = Lay(c, u"&File", {0, 0, 300, 50});
    const auto& piece = layout.Lines.at(0).Pieces.at(0);
    EXPECT_TRUE(piece.Flags.Accelerators);
    EXPECT_EQ(piece.Text, u"&File");
    EXPECT_EQ(piece.Width, 4 * kChar);
}

struct ColorTagCase {
    const char16_t* markup;
    TColor color;
};

class FontColor : public testing::TestWithParam<ColorTagCase> {};

TEST_P(FontColor, DrawsRunInColourAndRestoresAfterClosingTag) {
    FakeCanvas c;
    const auto layout = Lay(c, GetParam().markup, {0, 0, 300, 50});
    PaintLayout(c, layout);
    ASSERT_EQ(c.texts.size(), 3u);
    EXPECT_EQ(c.texts[0].Color, clWindowText);
    EXPECT_EQ(c.texts[1].Text, u"x");
    EXPECT_EQ(c.texts[1].Color, GetParam().color);
    EXPECT_EQ(c.texts[2].Color, clWindowText);
}

INSTANTIATE_TEST_SUITE_P(
    Colors, FontColor,
    testing::Values(ColorTagCase{u"a<font color=#FF0000>x</font>b", clRed},
                    ColorTagCase{u"a<FONT COLOR=\"clRed\">x</FONT>b", clRed},
                    ColorTagCase{u"a<font size=2 color=$00FF00>x</font>b", 0x00FF00},
                    ColorTagCase{u"a<font color=clHotPink>x</font>b", clBlack},
                    ColorTagCase{u"a<font bgcolor=clRed face=Arial>x</font>b", clWindowText}));

TEST(Layout, LessThanWithoutGreaterThanEndsTheText) {
    FakeCanvas c;
    const auto layout = Lay(c, u"seen <b>bold <i never shown", {0, 0, 300, 50});
    PaintLayout(c, layout);
    EXPECT_EQ(c.AllText(), u"seen bold ");
}

TEST(Layout, NoTagEverShowsAsText) {
    const std::u16string all =
        u"<a href=x title=t maxline=1>a</a><b>b</b><i>i</i><u>u</u><s>s</s><strike>t</strike>"
        u"<font face=Arial size=3 color=clRed bgcolor=#00FF00 style=\"font-size:9pt\">f</font>"
        u"<br linespace=2><p align=center indent=3 bgcolor=clAqua>p</p><hi>h</hi><hr color=clRed>"
        u"<e>e</e><shad>sh</shad><sub>sb</sub><sup>sp</sup>"
        u"<span style=\"background-color:#FFFF00\">sn</span><z>hidden</z>"
        u"<img src=\"IDX:1\" alt=pic width=16 height=16><ind x=20>in<of x=4>of"
        u"<ul type=circle><li>l1<li>l2</ul><ol><li>o1</ol><body bgcolor=clWhite><r a=90>r</r>"
        u"<unknown attr=1>k</unknown><h2>end";
    FakeCanvas c;
    const auto layout = Lay(c, all, {0, 0, 1000, 1000});
    PaintLayout(c, layout);
    const std::u16string shown = c.AllText();
    EXPECT_EQ(shown.find(u'<'), std::u16string::npos) << std::string(shown.begin(), shown.end());
    EXPECT_EQ(shown.find(u"hidden"), std::u16string::npos);
    EXPECT_NE(shown.find(u"o1"), std::u16string::npos);
}

TEST(Layout, StyleTagsSwitchOnAndOff) {
    FakeCanvas c;
    const auto layout = Lay(c, u"<b>b<i>bi<u>biu<s>all</b>iux</i>ux</u>x</s>n", {0, 0, 1000, 50});
    const auto& p = layout.Lines.at(0).Pieces;
    ASSERT_EQ(p.size(), 8u);
    EXPECT_EQ(p[0].Style.Font.Style, fsBold);
    EXPECT_EQ(p[1].Style.Font.Style, fsBold | fsItalic);
    EXPECT_EQ(p[2].Style.Font.Style, fsBold | fsItalic | fsUnderline);
    EXPECT_EQ(p[3].Style.Font.Style, fsBold | fsItalic | fsUnderline | fsStrikeOut);
    EXPECT_EQ(p[4].Style.Font.Style, fsItalic | fsUnderline | fsStrikeOut);
    EXPECT_EQ(p[5].Style.Font.Style, fsUnderline | fsStrikeOut);
    EXPECT_EQ(p[6].Style.Font.Style, fsStrikeOut);
    EXPECT_EQ(p[7].Style.Font.Style, 0);
}

TEST(Layout, FontSizesFaceAndRestore) {
    FakeCanvas c;
    const auto layout = Lay(c,
                            u"<font size=5 face=\"Courier New\">a</font><font size=20>b</font>"
                            u"<font style=\"font-size: 9pt\" size=5>c</font><font size=0>d</font>e",
                            {0, 0, 1000, 100});
    const auto& p = layout.Lines.at(0).Pieces;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].Style.Font.Height, -21); // 16 pt
    EXPECT_EQ(p[0].Style.Font.Name, u"Courier New");
    EXPECT_EQ(p[1].Style.Font.Height, -27); // 20 pt
    EXPECT_EQ(p[1].Style.Font.Name, u"Tahoma");
    EXPECT_EQ(p[2].Style.Font.Height, -12); // 9 pt from the style, SIZE ignored
    EXPECT_EQ(p[3].Style.Font.Height, -11); // size 0 changes nothing
    EXPECT_EQ(p[4].Style.Font.Height, -11);
    // The line is as high as its tallest font's sample text.
    EXPECT_EQ(layout.Lines[0].Height, 30);
}

TEST(Layout, WrapsAtWordsAndDropsBlanksAtTheBreak) {
    FakeCanvas c;
    const auto layout = Lay(c, u"aaa bbb ccc ddd", {0, 0, 10 * kChar, 100});
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"aaa bbb", u"ccc ddd"}));
    EXPECT_EQ(layout.Lines[1].Top, kLine);
    EXPECT_FALSE(layout.FoundTextOutOfRect);
}

TEST(Layout, WordThatDoesNotFitTheRestOfALineMovesToTheNext) {
    FakeCanvas c;
    const auto layout = Lay(c, u"aaaaaaa<b>bbbbb</b> cc", {0, 0, 10 * kChar, 100});
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"aaaaaaa", u"bbbbb cc"}));
}

TEST(Layout, LongWordIsCutWithoutWrapCharAndBrokenWithIt) {
    FakeCanvas c;
    auto layout = Lay(c, u"abcdefghijklmnop qr", {0, 0, 10 * kChar, 100});
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"abcdefghijklmnop", u"qr"}));
    EXPECT_TRUE(layout.Lines[0].Pieces[0].Cut);
    EXPECT_TRUE(layout.FoundTextOutOfRect);

    TLayoutOptions wrapChar;
    wrapChar.WrapChar = true;
    layout = Lay(c, u"abcdefghijklmnop qr", {0, 0, 10 * kChar, 100}, wrapChar);
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"abcdefghij", u"klmnop qr"}));
    EXPECT_FALSE(layout.FoundTextOutOfRect);
}

TEST(Layout, WithoutWordWrapRunsPassTheRightEdge) {
    FakeCanvas c;
    TLayoutOptions noWrap;
    noWrap.WordWrap = false;
    const auto layout = Lay(c, u"aaa bbb ccc<br>d", {0, 0, 5 * kChar, 100}, noWrap);
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"aaa bbb ccc", u"d"}));
    EXPECT_TRUE(layout.FoundTextOutOfRect);
    PaintLayout(c, layout);
    EXPECT_EQ(c.texts.at(0).Clip.Right, 5 * kChar);
}

TEST(Layout, BreaksParagraphsRulesAndLineSpacing) {
    FakeCanvas c;
    TLayoutOptions spaced;
    spaced.LineSpacing = 2;
    const auto layout =
        Lay(c, u"a<br>b<br linespace=5><p>c</p>d<hr color=clRed>e", {0, 0, 300, 300}, spaced);
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e"}));
    EXPECT_EQ(layout.Lines[1].Top, kLine + 2);
    EXPECT_EQ(layout.Lines[2].Top, 2 * (kLine + 2) + 5);
    EXPECT_TRUE(layout.Lines[3].HasRule);
    EXPECT_EQ(layout.TextHeight, 5 * (kLine + 2) + 5);
    PaintLayout(c, layout);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(c.lines[0].Color, clRed);
    EXPECT_EQ(c.lines[0].Y1, layout.Lines[3].Top + kLine);
    EXPECT_EQ(c.lines[0].X2, 300);
}

TEST(Layout, EmptyLinesTakeTheCurrentFontHeight) {
    FakeCanvas c;
    const auto layout = Lay(c, u"<font size=5>a<br><br>b</font>", {0, 0, 300, 300});
    ASSERT_EQ(layout.Lines.size(), 3u);
    EXPECT_EQ(layout.Lines[1].Height, 24);
}

struct AlignCase {
    TAlignment align;
    int x;
};

class LineAlignment : public testing::TestWithParam<AlignCase> {};

TEST_P(LineAlignment, PlacesEachLineWithinTheTextRectangle) {
    FakeCanvas c;
    TLayoutOptions o;
    o.Alignment = GetParam().align;
    // Text rectangle 10..111 (101 pixels); "abc" is 18 wide: 83 spare pixels, halved down to 41.
    const auto layout = Lay(c, u"abc", {10, 0, 111, 50}, o);
    EXPECT_EQ(layout.Lines.at(0).Pieces.at(0).X, GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(Align, LineAlignment,
                         testing::Values(AlignCase{TAlignment::Left, 10},
                                         AlignCase{TAlignment::Right, 93},
                                         AlignCase{TAlignment::Center, 51}));

TEST(Layout, ParagraphAlignOverridesTheLabel) {
    FakeCanvas c;
    const auto layout = Lay(c, u"<p align=\"right\">abc</p>abc", {0, 0, 100, 50});
    EXPECT_EQ(layout.Lines.at(0).Pieces.at(0).X, 82);
    EXPECT_EQ(layout.Lines.at(1).Pieces.at(0).X, 0);
}

struct VerticalCase {
    TTextLayout layout;
    int top;
};

class VerticalLayout : public testing::TestWithParam<VerticalCase> {};

TEST_P(VerticalLayout, MovesTheWholeText) {
    FakeCanvas c;
    TLayoutOptions o;
    o.Layout = GetParam().layout;
    // Two lines, 28 pixels, in a 101-pixel rectangle starting at 5: 73 spare, halved down to 36.
    const auto layout = Lay(c, u"a<br>b", {0, 5, 100, 106}, o);
    EXPECT_EQ(layout.Lines.at(0).Top, GetParam().top);
    EXPECT_EQ(layout.Lines.at(1).Top, GetParam().top + kLine);
}

INSTANTIATE_TEST_SUITE_P(Vertical, VerticalLayout,
                         testing::Values(VerticalCase{TTextLayout::Top, 5},
                                         VerticalCase{TTextLayout::Center, 41},
                                         VerticalCase{TTextLayout::Bottom, 78}));

TEST(Layout, TextBelowTheRectangleIsNotDrawnAndFlagged) {
    FakeCanvas c;
    auto layout = Lay(c, u"a<br>b<br>c", {0, 0, 100, 20});
    EXPECT_TRUE(layout.FoundTextOutOfRect);
    EXPECT_TRUE(layout.Lines[0].Visible);
    EXPECT_TRUE(layout.Lines[1].Visible); // partly inside, clipped
    EXPECT_FALSE(layout.Lines[2].Visible);
    PaintLayout(c, layout);
    EXPECT_EQ(c.AllText(), u"ab");
    EXPECT_EQ(c.texts[1].Clip.Bottom, 20);

    layout = Lay(c, u"a<br>b", {0, 0, 100, 2 * kLine});
    EXPECT_FALSE(layout.FoundTextOutOfRect);

    TLayoutOptions autoSize;
    autoSize.AutoSize = true;
    layout = Lay(c, u"a<br>b<br>c", {0, 0, 100, 20}, autoSize);
    EXPECT_FALSE(layout.FoundTextOutOfRect);
    EXPECT_EQ(layout.TextHeight, 3 * kLine);
}

TEST(Layout, HiddenTextTakesNoSpace) {
    FakeCanvas c;
    const auto layout = Lay(c, u"a<z>secret<br>more</z>b", {0, 0, 100, 50});
    ASSERT_EQ(layout.Lines.size(), 2u);
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(Layout, BackgroundsHighlightAndSpan) {
    FakeCanvas c;
    const auto layout = Lay(
        c, u"<hi>h</hi><span style=\"background-color: #00FF00\">s</span><p bgcolor=clRed>p</p>n",
        {0, 0, 100, 100});
    const auto& first = layout.Lines.at(0).Pieces;
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].Style.Back, clHighlight);
    EXPECT_EQ(first[0].Style.Font.Color, clHighlightText);
    EXPECT_EQ(first[1].Style.Back, 0x00FF00);
    EXPECT_EQ(first[1].Style.Font.Color, clWindowText);
    EXPECT_EQ(first[2].Style.Back, clRed);
    EXPECT_EQ(layout.Lines.at(1).Pieces.at(0).Style.Back, clNone);
    PaintLayout(c, layout);
    ASSERT_EQ(c.fills.size(), 3u);
    EXPECT_EQ(c.fills[0].first, (TRect{0, 0, kChar, kLine}));
}

TEST(Layout, AnchorsBindToLinkItemsInOrder) {
    FakeCanvas c;
    const std::vector<TLinkStyle> links{LinkFor(TFontData{})};
    const auto layout =
        Lay(c, u"<b><a>one</a>!</b> <A HREF=\"Http://X.org\" Title=Two>two</A> <a>3</a>",
            {0, 0, 300, 50}, {}, links);
    ASSERT_EQ(layout.Anchors.size(), 3u);
    EXPECT_EQ(layout.Anchors[0].Item, 0);
    EXPECT_EQ(layout.Anchors[1].Item, -1);
    EXPECT_EQ(layout.Anchors[1].Href, u"Http://X.org");
    EXPECT_EQ(layout.Anchors[1].Title, u"Two");
    const auto& p = layout.Lines.at(0).Pieces;
    ASSERT_EQ(p.size(), 6u);
    // The item's font replaces the bold of the surrounding text; closing restores it.
    EXPECT_EQ(p[0].Text, u"one");
    EXPECT_EQ(p[0].Anchor, 0);
    EXPECT_EQ(p[0].Style.Font.Style, fsUnderline);
    EXPECT_EQ(p[1].Style.Font.Style, fsBold);
    EXPECT_EQ(p[1].Anchor, -1);
    // An anchor without an item keeps the current font.
    EXPECT_EQ(p[3].Text, u"two");
    EXPECT_EQ(p[3].Anchor, 1);
    EXPECT_EQ(p[3].Style.Font.Style, 0);
    EXPECT_EQ(p[5].Anchor, 2);
}

TEST(Layout, HoveredAnchorUsesFontHoverAndItemBackground) {
    FakeCanvas c;
    std::vector<TLinkStyle> links{LinkFor(TFontData{})};
    links[0].ColorBg = clRed;
    auto layout = Lay(c, u"x<a>link</a>y", {0, 0, 300, 50}, {}, links, 0);
    EXPECT_EQ(layout.Lines[0].Pieces[1].Style.Font.Color, clHotLight);
    EXPECT_EQ(layout.Lines[0].Pieces[1].Style.Back, clRed);
    EXPECT_EQ(layout.Lines[0].Pieces[2].Style.Back, clNone);
    layout = Lay(c, u"x<a>link</a>y", {0, 0, 300, 50}, {}, links, -1);
    EXPECT_EQ(layout.Lines[0].Pieces[1].Style.Font.Color, clWindowText);
}

TEST(Layout, MaxLineStopsWrappingAndMarksTheItemTruncated) {
    FakeCanvas c;
    std::vector<TLinkStyle> links{LinkFor(TFontData{})};
    links[0].MaxLine = 2;
    const TRect rect{0, 0, 10 * kChar, 200};
    auto layout = Lay(c, u"<a>aaa bbb ccc ddd eee</a> fff", rect, {}, links);
    EXPECT_EQ(LineTexts(layout), (std::vector<std::u16string>{u"aaa bbb", u"ccc ddd eee", u"fff"}));
    EXPECT_TRUE(layout.Truncated.at(0));

    // The tag's MAXLINE overrides the item's; 0 is no limit.
    layout = Lay(c, u"<a maxline=0>aaa bbb ccc ddd eee</a>", rect, {}, links);
    EXPECT_EQ(layout.Lines.size(), 3u);
    EXPECT_FALSE(layout.Truncated.at(0));

    links[0].MaxLine = -1;
    layout = Lay(c, u"<a MAXLINE=1>aaa bbb</a>", rect, {}, links);
    EXPECT_EQ(layout.Lines.size(), 1u);
    EXPECT_FALSE(layout.Truncated.at(0));
}

TEST(Layout, HitTestCoversPlacedAnchorPiecesOnly) {
    FakeCanvas c;
    const std::vector<TLinkStyle> links{LinkFor(TFontData{})};
    // "ab " then the anchor "cdefgh ij" wraps: "cdefgh" on line 0 at 18..54, "ij" on line 1.
    const auto layout = Lay(c, u"ab <a>cdefgh ij</a> k", {0, 0, 10 * kChar, 100}, {}, links);
    TRect rect;
    EXPECT_EQ(HitTestLayout(layout, 18, 0, &rect), 0);
    EXPECT_EQ(rect, (TRect{0, 0, 54, 2 * kLine}));
    EXPECT_EQ(HitTestLayout(layout, 53, kLine - 1), 0);
    EXPECT_EQ(HitTestLayout(layout, 54, 0), -1);
    EXPECT_EQ(HitTestLayout(layout, 17, 0), -1);
    EXPECT_EQ(HitTestLayout(layout, 11, kLine), 0);
    EXPECT_EQ(HitTestLayout(layout, 12, kLine), -1); // the blank before "k"
    EXPECT_EQ(HitTestLayout(layout, 5, 2 * kLine, &rect), -1);
    EXPECT_TRUE(rect.IsNone());
}

TEST(Layout, WindowSentenceWrapsWithUnderlinedPrivacyPolicy) {
    FakeCanvas c;
    const std::vector<TLinkStyle> links{LinkFor(TFontData{})};
    const auto layout = Lay(c, kWindowSentence, {0, 0, 289, 49}, {}, links);
    EXPECT_EQ(LineTexts(layout),
              (std::vector<std::u16string>{u"This tool will collect information to help us",
                                           u"diagnose and fix the problem you are",
                                           u"experiencing with our product. By sending us the",
                                           u"report, you accept our Privacy Policy."}));
    ASSERT_EQ(layout.Anchors.size(), 1u);
    const auto& last = layout.Lines[3].Pieces;
    ASSERT_EQ(last.size(), 3u);
    EXPECT_EQ(last[1].Text, u"Privacy Policy");
    EXPECT_EQ(last[1].Anchor, 0);
    EXPECT_TRUE(last[1].Style.Font.Style & fsUnderline);
    EXPECT_EQ(last[1].Style.Font.Color, clWindowText);
    // The fourth line reaches below 49 pixels: drawn, clipped and flagged.
    EXPECT_TRUE(layout.Lines[3].Visible);
    EXPECT_TRUE(layout.FoundTextOutOfRect);
    EXPECT_EQ(HitTestLayout(layout, last[1].X + 1, 3 * kLine + 1), 0);
}
