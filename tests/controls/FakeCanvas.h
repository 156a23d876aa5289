#pragma once
// A canvas with simple, known metrics that records what is drawn: every character is 6 pixels
// wide (7 in bold), every text is |font height| + 3 pixels high.
#include "controls/Canvas.h"
#include <string>
#include <vector>

namespace pv::test {

struct DrawnText {
    std::u16string Text;
    int X;
    int Y;
    TFontData Font;
    TColor Color;
    TTextFlags Flags;
    TRect Clip;
};

struct DrawnLine {
    int X1, Y1, X2, Y2;
    TColor Color;
};

class FakeCanvas : public ICanvas {
public:
    static int CharWidth(const TFontData& f) { return (f.Style & fsBold) ? 7 : 6; }
    static int LineHeight(const TFontData& f) { return (f.Height < 0 ? -f.Height : f.Height) + 3; }

    void SetFont(const TFontData& font) override { font_ = font; }
    void SetTextColor(TColor color) override { color_ = color; }
    void MeasureExtents(std::u16string_view text, std::vector<int>& ends) override {
        ++measureCalls;
        ends.clear();
        for (size_t i = 0; i < text.size(); ++i) {
            ends.push_back(static_cast<int>(i + 1) * CharWidth(font_));
        }
    }
    int TextHeight(std::u16string_view) override { return LineHeight(font_); }
    void DrawRun(const TRect& clip, int x, int y, std::u16string_view text,
                 const TTextFlags& flags) override {
        texts.push_back({std::u16string(text), x, y, font_, color_, flags, clip});
    }
    void FillRect(const TRect& rect, TColor color) override { fills.push_back({rect, color}); }
    void DrawLine(int x1, int y1, int x2, int y2, TColor color) override {
        lines.push_back({x1, y1, x2, y2, color});
    }

    // All drawn texts joined, in drawing order.
    std::u16string AllText() const {
        std::u16string s;
        for (const auto& t : texts) {
            s += t.Text;
        }
        return s;
    }

    std::vector<DrawnText> texts;
    std::vector<std::pair<TRect, TColor>> fills;
    std::vector<DrawnLine> lines;
    int measureCalls = 0;

private:
    TFontData font_;
    TColor color_ = clBlack;
};

} // namespace pv::test
