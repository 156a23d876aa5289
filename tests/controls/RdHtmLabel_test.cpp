#include "FakeCanvas.h"
#include "controls/RdHtmLabel.h"
#include <gtest/gtest.h>

using namespace pv;
using pv::test::FakeCanvas;

namespace {

constexpr int kLine = 14;

class FakeHost : public ILabelHost {
public:
    void Invalidate(const TRect* rect) override { invalidated.push_back(rect ? *rect : kNoRect); }
    ICanvas* MeasureCanvas() override { return &canvas; }
    void BoundsChanged() override { ++boundsChanges; }
    void CursorChanged() override { ++cursorChanges; }
    void HintChanged() override { ++hintChanges; }

    FakeCanvas canvas;
    std::vector<TRect> invalidated;
    int boundsChanges = 0;
    int cursorChanges = 0;
    int hintChanges = 0;
};

// "go <a>here</a> or <a>there</a>": "here" spans x 18..42, "there" 60..90 on the first line.
struct LabelFixture : testing::Test {
    LabelFixture() {
        label.SetHost(&host);
        label.SetBounds(0, 0, 200, 40);
        label.SetLines({u"go <a>here</a> or <a>there</a>"});
        auto& item = label.LinkItems().Add();
        item.Cursor = crHandPoint;
        item.FontHover().SetColor(clHotLight);
        item.OnClick = [this](TRdHtmLabelLink& clicked) { clicks.push_back(clicked.Index()); };
    }
    FakeHost host;
    TRdHtmLabel label;
    std::vector<int> clicks;
};

} // namespace

TEST(RdHtmLabel, Defaults) {
    TRdHtmLabel label;
    EXPECT_TRUE(label.Lines().empty());
    EXPECT_EQ(label.Caption(), u"");
    EXPECT_EQ(label.LinkItems().Count(), 0);
    EXPECT_EQ(label.LineSpacing(), 0);
    EXPECT_TRUE(label.WordWrap());
    EXPECT_FALSE(label.WrapChar());
    EXPECT_FALSE(label.AutoSize());
    EXPECT_FALSE(label.AutoShowHint());
    EXPECT_FALSE(label.FoundTextOutOfRect());
    EXPECT_EQ(label.Alignment(), TAlignment::Left);
    EXPECT_EQ(label.Layout(), TTextLayout::Top);
    EXPECT_EQ(label.TextBorder().Left + label.TextBorder().Top + label.TextBorder().Right +
                  label.TextBorder().Bottom,
              0);
    EXPECT_TRUE(label.Transparent());
    EXPECT_EQ(label.FontDisabledColor(), clGrayText);
    EXPECT_EQ(label.EllipsisPosition(), TEllipsisPosition::None);
    EXPECT_TRUE(label.ShowAccelChar());
    EXPECT_EQ(label.HoverIndex(), -2);
    EXPECT_EQ(label.PressedIndex(), -1);
    EXPECT_TRUE(label.HoverRect().IsNone());

    auto& item = label.LinkItems().Add();
    EXPECT_EQ(item.ColorBg(), clNone);
    EXPECT_EQ(item.Cursor, crDefault);
    EXPECT_EQ(item.MaxLine(), -1);
    EXPECT_FALSE(item.AutoShowHint);
    EXPECT_EQ(item.Font().Style(), fsUnderline);
    EXPECT_EQ(item.Font().Name(), label.Font().Name());
    EXPECT_EQ(item.FontHover().Data(), item.Font().Data());
}

TEST(RdHtmLabel, CaptionJoinsLinesAndSplitsAtLineBreaks) {
    FakeHost host;
    TRdHtmLabel label;
    label.SetHost(&host);
    int changes = 0;
    label.OnTextChange = [&] { ++changes; };
    label.SetCaption(u"a\r\nb\rc\nd");
    EXPECT_EQ(label.Lines(), (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(label.Caption(), u"a<BR>b<BR>c<BR>d");
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(host.invalidated.empty());
}

TEST(RdFont, FollowsParentForUnchangedPropertiesOnly) {
    TFontData parent;
    TRdFont font(parent);
    font.SetColor(clRed);
    EXPECT_TRUE(font.IsColorStored());
    EXPECT_FALSE(font.IsNameStored());
    int changes = 0;
    font.OnChange = [&] { ++changes; };

    TFontData next = parent;
    next.Name = u"Arial";
    next.Height = -13;
    next.Color = clBlue;
    next.Style = fsItalic;
    font.ParentChanged(next);
    EXPECT_EQ(font.Name(), u"Arial");
    EXPECT_EQ(font.Height(), -13);
    EXPECT_EQ(font.Style(), fsItalic);
    EXPECT_EQ(font.Color(), clRed);
    EXPECT_EQ(changes, 1);
    // The new parent values are remembered: a later change follows from them.
    next.Height = -15;
    font.ParentChanged(next);
    EXPECT_EQ(font.Height(), -15);
    EXPECT_EQ(font.Size(), 11);
    font.SetSize(8);
    EXPECT_EQ(font.Height(), -11);
}

TEST(RdHtmLabel, ItemFontsFollowTheLabelAndKeepUnderline) {
    TRdHtmLabel label;
    auto& item = label.LinkItems().Add();
    item.FontHover().SetColor(clHotLight);
    label.Font().SetName(u"Verdana");
    label.Font().SetColor(clGreen);
    EXPECT_EQ(item.Font().Name(), u"Verdana");
    EXPECT_EQ(item.Font().Color(), clGreen);
    EXPECT_EQ(item.Font().Style(), fsUnderline);
    EXPECT_EQ(item.FontHover().Name(), u"Verdana");
    EXPECT_EQ(item.FontHover().Style(), fsUnderline);
    EXPECT_EQ(item.FontHover().Color(), clHotLight);
    label.Font().SetStyle(fsBold);
    EXPECT_EQ(item.Font().Style(), fsUnderline);
}

TEST(RdHtmLabel, PaintsInOrderWithDisabledColour) {
    FakeHost host;
    TRdHtmLabel label;
    label.SetHost(&host);
    label.SetBounds(0, 0, 100, 30);
    label.SetCaption(u"txt");
    label.SetTransparent(false);
    label.SetColor(clWhite);
    std::vector<std::string> order;
    label.OnPaintImage = [&](TRdCustomLabel&, ICanvas& c) {
        order.push_back("image:" + std::to_string(static_cast<FakeCanvas&>(c).fills.size()));
    };
    label.OnPaintEnd = [&](TRdCustomLabel&, ICanvas& c) {
        order.push_back("end:" + std::to_string(static_cast<FakeCanvas&>(c).texts.size()));
    };
    label.SetEnabled(false);
    FakeCanvas c;
    label.Paint(c);
    EXPECT_EQ(order, (std::vector<std::string>{"image:1", "end:1"}));
    EXPECT_EQ(c.fills.at(0).first, (TRect{0, 0, 100, 30}));
    EXPECT_EQ(c.fills.at(0).second, clWhite);
    EXPECT_EQ(c.texts.at(0).Color, clGrayText);

    FakeCanvas transparent;
    label.SetTransparent(true);
    label.Paint(transparent);
    EXPECT_TRUE(transparent.fills.empty());
}

TEST(RdHtmLabel, AutoSizeFollowsTextHeightWithBorders) {
    FakeHost host;
    TRdHtmLabel label;
    label.SetHost(&host);
    label.SetBounds(5, 5, 100, 10);
    label.SetTextBorder({1, 2, 1, 3});
    label.SetAutoSize(true);
    label.SetCaption(u"a\nb\nc");
    FakeCanvas c;
    label.Paint(c);
    EXPECT_EQ(label.Height(), 2 + 3 * kLine + 3);
    EXPECT_EQ(c.AllText(), u"abc");
    EXPECT_FALSE(label.FoundTextOutOfRect());

    label.SetAlign(TAlign::Client);
    label.SetCaption(u"a");
    label.Paint(c);
    EXPECT_EQ(label.Height(), 2 + 3 * kLine + 3);
}

TEST_F(LabelFixture, HoverChangesCursorAndRepaintsTheAnchor) {
    label.MouseEnter();
    EXPECT_EQ(label.HoverIndex(), -1);
    label.MouseMove(5, 5);
    EXPECT_EQ(label.HoverIndex(), -1);
    EXPECT_EQ(host.cursorChanges, 0);

    host.invalidated.clear();
    label.MouseMove(20, 5);
    EXPECT_EQ(label.HoverIndex(), 0);
    EXPECT_EQ(label.PreviousHoverIndex(), -1);
    EXPECT_EQ(label.Cursor(), crHandPoint);
    EXPECT_EQ(label.HoverRect(), (TRect{18, 0, 42, kLine}));
    // Whole control first (no anchor was hovered), then the new anchor.
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_TRUE(host.invalidated[0].IsNone());
    EXPECT_EQ(host.invalidated[1], (TRect{18, 0, 42, kLine}));

    // Painting now draws the anchor in the hover colour.
    FakeCanvas c;
    label.Paint(c);
    EXPECT_EQ(c.texts.at(1).Text, u"here");
    EXPECT_EQ(c.texts.at(1).Color, clHotLight);

    label.MouseMove(21, 5);
    EXPECT_EQ(label.HoverIndex(), 0);
    label.MouseMove(100, 30);
    EXPECT_EQ(label.HoverIndex(), -1);
    EXPECT_EQ(label.Cursor(), crDefault);
    EXPECT_TRUE(label.HoverRect().IsNone());

    label.MouseMove(20, 5);
    label.MouseLeave();
    EXPECT_EQ(label.HoverIndex(), -2);
    EXPECT_EQ(label.Cursor(), crDefault);
    EXPECT_TRUE(label.HoverRect().IsNone());
    // Moves after leaving are ignored until the pointer enters again.
    label.MouseMove(20, 6);
    EXPECT_EQ(label.HoverIndex(), -2);
}

TEST_F(LabelFixture, AnchorWithoutItemIsInert) {
    label.MouseEnter();
    label.MouseMove(70, 5);
    EXPECT_EQ(label.HoverIndex(), 1);
    EXPECT_EQ(label.Cursor(), crDefault);
    label.MouseDown(70, 5);
    label.MouseUp(70, 5);
    EXPECT_TRUE(clicks.empty());
    FakeCanvas c;
    label.Paint(c);
    EXPECT_EQ(c.texts.back().Text, u"there");
    EXPECT_EQ(c.texts.back().Font.Style, 0);
}

TEST_F(LabelFixture, ClickNeedsPressAndReleaseOnTheSameAnchor) {
    label.MouseEnter();
    // Press on the link, drag off, release elsewhere: nothing.
    label.MouseDown(20, 5);
    EXPECT_EQ(label.PressedIndex(), 0);
    label.MouseMove(150, 30);
    label.MouseUp(150, 30);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(label.PressedIndex(), -1);

    // Moving off and back before the release still clicks.
    label.MouseDown(20, 5);
    label.MouseMove(150, 30);
    label.MouseMove(30, 5);
    label.MouseUp(30, 5);
    EXPECT_EQ(clicks, (std::vector<int>{0}));

    // A press elsewhere and a release on the link is no click either.
    label.MouseDown(5, 5);
    label.MouseUp(20, 5);
    EXPECT_EQ(clicks.size(), 1u);

    // A lost press (capture taken away) clicks nothing on a later release.
    label.MouseDown(20, 5);
    label.CancelPress();
    label.MouseUp(20, 5);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(LabelFixture, HintsFromItemsAndTruncation) {
    label.SetShowHint(true);
    auto& item = label.LinkItems()[0];
    item.Hint = u"Opens the page";
    label.MouseEnter();
    label.MouseMove(20, 5);
    EXPECT_EQ(host.hintChanges, 1);
    EXPECT_EQ(label.HintText(), u"Opens the page");

    item.AutoShowHint = true; // only when the anchor was cut
    EXPECT_EQ(label.HintText(), u"");
    label.SetHint(u"own");
    EXPECT_EQ(label.HintText(), u"own");

    label.MouseMove(100, 30);
    label.SetAutoShowHint(true);
    label.SetHint(u"");
    FakeCanvas c;
    label.Paint(c);
    EXPECT_FALSE(label.FoundTextOutOfRect());
    EXPECT_EQ(label.HintText(), u"");
    label.SetBounds(0, 0, 30, 40); // "there" no longer fits
    label.Paint(c);
    EXPECT_TRUE(label.FoundTextOutOfRect());
    EXPECT_EQ(label.HintText(), label.Caption());

    label.OnShowHint = [](std::u16string& text, bool& canShow, THintInfo&) {
        canShow = text.size() < 5;
    };
    EXPECT_EQ(label.HintToShow(1, 1), u"");
}

TEST_F(LabelFixture, TruncatedFlagFollowsMeasurement) {
    auto& item = label.LinkItems()[0];
    item.SetMaxLine(1);
    label.SetBounds(0, 0, 30, 40);
    FakeCanvas c;
    label.Paint(c);
    EXPECT_TRUE(item.Truncated());
    label.SetBounds(0, 0, 200, 40);
    label.Paint(c);
    EXPECT_FALSE(item.Truncated());
}
