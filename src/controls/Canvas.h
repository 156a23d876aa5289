#pragma once
// The drawing surface the label controls paint on: a font, a text colour, text measurement, text
// drawing, fills and lines. The GDI canvas carries it on Windows; tests use a fake one.
#include "controls/RdFont.h"
#include <string_view>
#include <vector>

namespace pv {

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsNone() const { return Left == -1 && Top == -1 && Right == -1 && Bottom == -1; }
    bool operator==(const TRect&) const = default;
};
constexpr TRect kNoRect{-1, -1, -1, -1};

enum class TEllipsisPosition { None, Path, End, Word };

struct TTextFlags {
    bool Accelerators = false; // "&x" underlines x, "&&" draws one "&"
    TEllipsisPosition Ellipsis = TEllipsisPosition::None;
};

class ICanvas {
public:
    virtual ~ICanvas() = default;
    // The font's colour is ignored here; SetTextColor sets the text colour.
    virtual void SetFont(const TFontData& font) = 0;
    virtual void SetTextColor(TColor color) = 0;
    // Width of text[0..i] for every i, in the current font; `ends` gets text.size() entries.
    virtual void MeasureExtents(std::u16string_view text, std::vector<int>& ends) = 0;
    // Height of the text in the current font.
    virtual int TextHeight(std::u16string_view text) = 0;
    // Draws one line of text with its top-left corner at (x, y), clipped to `clip`.
    virtual void DrawRun(const TRect& clip, int x, int y, std::u16string_view text,
                         const TTextFlags& flags) = 0;
    // clNone fills nothing.
    virtual void FillRect(const TRect& rect, TColor color) = 0;
    // One-pixel line from (x1, y1) up to, not including, (x2, y2).
    virtual void DrawLine(int x1, int y1, int x2, int y2, TColor color) = 0;
};

} // namespace pv
