#pragma once
// One fuzz input through the whole mark-up path: preprocessing, tokens, attributes, layout,
// painting and hit tests. Byte 0 picks options, byte 1 the width; bit 7 of byte 0 reads the rest
// as UTF-16LE code units, otherwise as UTF-8.
#include "controls/Canvas.h"
#include "controls/HtmLayout.h"
#include "controls/MarkupReader.h"
#include "platform/Text.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pv::fuzz {

// Widths depend on the character (zero included) and the style, heights on the font.
class MetricsCanvas : public ICanvas {
public:
    void SetFont(const TFontData& font) override { font_ = font; }
    void SetTextColor(TColor) override {}
    void MeasureExtents(std::u16string_view text, std::vector<int>& ends) override {
        ends.clear();
        int x = 0;
        for (char16_t c : text) {
            x += static_cast<int>(c % 5) + ((font_.Style & fsBold) ? 1 : 0);
            ends.push_back(x);
        }
    }
    int TextHeight(std::u16string_view) override {
        return (font_.Height < 0 ? -font_.Height : font_.Height) % 200 + 3;
    }
    void DrawRun(const TRect&, int, int, std::u16string_view text, const TTextFlags&) override {
        drawn += text.size();
    }
    void FillRect(const TRect&, TColor) override {}
    void DrawLine(int, int, int, int, TColor) override {}
    size_t drawn = 0;

private:
    TFontData font_;
};

// Returns what the run drew and hit: the characters painted and, per hit-test probe, the anchor
// found (-1 none), so a replay can tell one run from another.
inline std::vector<long> ExerciseMarkup(const uint8_t* data, size_t size) {
    std::vector<long> trace;
    if (size < 2) {
        return trace;
    }
    const uint8_t flags = data[0];
    const int width = data[1];
    std::u16string caption;
    if (flags & 0x80) {
        for (size_t i = 2; i + 1 < size; i += 2) {
            caption += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        }
    } else {
        caption = FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
    }

    const TPreprocessedMarkup text = PreprocessMarkup(caption, (flags & 1) != 0);
    TMarkupReader reader(text.Text);
    TMarkupToken token;
    size_t tokens = 0;
    while (reader.Next(token)) {
        ++tokens;
        if (token.IsTag) {
            (void)ReadAttribute(token.Text, u"HREF", true);
            (void)ReadAttribute(token.Text, u" COLOR");
            if (auto c = ReadAttribute(token.Text, u"BGCOLOR")) {
                (void)ParseColorValue(*c);
            }
        }
    }
    (void)tokens;

    TLayoutOptions options;
    options.Accelerators = text.Accelerators;
    options.WordWrap = (flags & 2) != 0;
    options.WrapChar = (flags & 4) != 0;
    options.Alignment = static_cast<TAlignment>((flags >> 3) % 3);
    options.Layout = static_cast<TTextLayout>((flags >> 5) % 3);
    options.AutoSize = (flags & 0x40) != 0;
    options.LineSpacing = flags & 3;
    std::vector<TLinkStyle> links(2);
    links[0].MaxLine = 1;
    links[1].MaxLine = (flags & 8) ? 2 : -1;
    links[1].FontHover.Style = fsBold;
    MetricsCanvas canvas;
    const TRect rect{1, 2, 1 + width, 2 + (width * 3) / 4};
    const THtmLayout layout = LayoutMarkup(canvas, text.Text, TFontData{}, options, rect, links, 1);
    PaintLayout(canvas, layout);
    trace.push_back(static_cast<long>(canvas.drawn));
    for (int y = 0; y < rect.Bottom + 4; y += 7) {
        TRect anchorRect;
        trace.push_back(
            static_cast<long>(HitTestLayout(layout, (y * 5) % (width + 2), y, &anchorRect)));
    }
    return trace;
}

} // namespace pv::fuzz
