// The report window's sentence laid out with the advances Wine draws Tahoma -11 with (the table in
// data/ is the font probe's output from a Wine prefix with Tahoma installed). Wine's text-extent
// query reports wider outline advances; laid out with those the sentence needs a fourth line that
// the 49-pixel label cuts, link and all.
#include "FakeCanvas.h"
#include "controls/HtmLayout.h"
#include "controls/MarkupReader.h"
#include <gtest/gtest.h>
#include <fstream>
#include <map>
#include <sstream>

using namespace pv;

namespace {

struct TahomaTable {
    std::map<std::pair<int, int>, int> Drawn; // (weight, code) -> advance
    std::map<int, int> Height;                // weight -> height of the line sample
    std::string Face;
};

const TahomaTable& Table() {
    static const TahomaTable table = [] {
        TahomaTable t;
        std::ifstream in(std::string(PV_TEST_DATA_DIR) + "/tahoma_11_drawn.txt");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string kind;
            int weight = 0;
            fields >> kind >> weight;
            if (kind == "face" && weight == 400) {
                fields >> t.Face;
            } else if (kind == "height") {
                fields >> t.Height[weight];
            } else if (kind == "advance") {
                int code = 0;
                int drawn = 0;
                fields >> code >> drawn;
                t.Drawn[{weight, code}] = drawn;
            }
        }
        return t;
    }();
    return table;
}

// Measures as the GDI canvas does: the sum of each glyph's drawn advance.
class DrawnTahomaCanvas : public test::FakeCanvas {
public:
    void SetFont(const TFontData& font) override {
        weight_ = (font.Style & fsBold) ? 700 : 400;
        FakeCanvas::SetFont(font);
    }
    void MeasureExtents(std::u16string_view text, std::vector<int>& ends) override {
        ends.clear();
        int x = 0;
        for (char16_t c : text) {
            const auto found = Table().Drawn.find({weight_, static_cast<int>(c)});
            EXPECT_NE(found, Table().Drawn.end()) << "no advance for " << static_cast<int>(c);
            x += found == Table().Drawn.end() ? 0 : found->second;
            ends.push_back(x);
        }
    }
    int TextHeight(std::u16string_view) override { return Table().Height.at(weight_); }

private:
    int weight_ = 400;
};

std::u16string LineText(const TLayoutLine& line) {
    std::u16string s;
    for (const auto& p : line.Pieces) {
        s += p.Text;
    }
    return s;
}

constexpr std::u16string_view kWindowSentence =
    u"This tool will collect information to help us diagnose and fix the problem you are "
    u"experiencing with our product. By sending us the report, you accept our <a>Privacy "
    u"Policy</a>.";

THtmLayout LayWindowSentence(DrawnTahomaCanvas& canvas) {
    TLinkStyle link;
    link.Font.Style = fsUnderline;
    link.FontHover = link.Font;
    link.FontHover.Color = clHotLight;
    const TPreprocessedMarkup text = PreprocessMarkup(kWindowSentence, true);
    TLayoutOptions options;
    options.Accelerators = text.Accelerators;
    return LayoutMarkup(canvas, text.Text, TFontData{}, options, {0, 0, 289, 49}, {link}, -1);
}

} // namespace

TEST(DrawnTahoma, TableComesFromAPrefixWithTahoma) {
    EXPECT_EQ(Table().Face, "Tahoma");
    EXPECT_EQ(Table().Drawn.size(), 2u * 95u);
    EXPECT_EQ(Table().Height.at(400), 13);
}

TEST(DrawnTahoma, WindowSentenceTakesThreeLinesWithTheLinkInside) {
    DrawnTahomaCanvas canvas;
    const auto layout = LayWindowSentence(canvas);
    ASSERT_EQ(layout.Lines.size(), 3u);
    EXPECT_EQ(LineText(layout.Lines[0]),
              u"This tool will collect information to help us diagnose and fix");
    EXPECT_EQ(LineText(layout.Lines[1]), u"the problem you are experiencing with our product. By");
    EXPECT_EQ(LineText(layout.Lines[2]), u"sending us the report, you accept our Privacy Policy.");
    EXPECT_FALSE(layout.FoundTextOutOfRect);
    EXPECT_EQ(layout.TextHeight, 39);

    // Each line breaks only because its next word no longer fits in 289 pixels.
    std::vector<int> ends;
    for (size_t i = 0; i + 1 < layout.Lines.size(); ++i) {
        const auto& line = layout.Lines[i];
        EXPECT_LE(line.Width, 289);
        const std::u16string next = LineText(layout.Lines[i + 1]);
        const std::u16string longer = LineText(line) + u" " + next.substr(0, next.find(u' '));
        canvas.MeasureExtents(longer, ends);
        EXPECT_GT(ends.back(), 289) << "line " << i << " could have taken one more word";
    }

    // The link: underlined in the label's text colour, wholly inside the 289 x 49 label, and
    // the hit test answers on exactly the boxes the pieces were placed in.
    const auto& last = layout.Lines[2].Pieces;
    ASSERT_EQ(last.size(), 3u);
    const TLayoutPiece& link = last[1];
    EXPECT_EQ(link.Text, u"Privacy Policy");
    EXPECT_EQ(link.Anchor, 0);
    EXPECT_TRUE(link.Style.Font.Style & fsUnderline);
    EXPECT_EQ(link.Style.Font.Color, clWindowText);
    EXPECT_EQ(link.Width, 65);
    EXPECT_LE(link.X + link.Width, 289);
    EXPECT_EQ(last[2].X, link.X + link.Width); // "." follows the link without a gap
    const int top = layout.Lines[2].Top;
    EXPECT_LE(top + layout.Lines[2].Height, 49);
    TRect rect;
    EXPECT_EQ(HitTestLayout(layout, link.X, top, &rect), 0);
    EXPECT_EQ(rect, (TRect{link.X, top, link.X + link.Width, top + 13}));
    EXPECT_EQ(HitTestLayout(layout, link.X + link.Width - 1, top + 12), 0);
    EXPECT_EQ(HitTestLayout(layout, link.X + link.Width, top), -1);
    EXPECT_EQ(HitTestLayout(layout, link.X - 1, top), -1);

    // Painting puts every run where the layout placed it.
    PaintLayout(canvas, layout);
    ASSERT_GE(canvas.texts.size(), 3u);
    const auto& drawnLink = canvas.texts[canvas.texts.size() - 2];
    EXPECT_EQ(drawnLink.Text, u"Privacy Policy");
    EXPECT_EQ(drawnLink.X, link.X);
    EXPECT_EQ(drawnLink.Y, top);
}
