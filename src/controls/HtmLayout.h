#pragma once
// Layout of label mark-up into lines of positioned text pieces, their painting and the hit test.
// The layout measures through the canvas but draws nothing; painting and hit testing read it.
#include "controls/Canvas.h"
#include <string>
#include <vector>

namespace pv {

enum class TAlignment { Left, Right, Center };
enum class TTextLayout { Top, Center, Bottom };

struct TLayoutOptions {
    bool Markup = true; // false: the text is one plain run, broken only at its line breaks
    bool WordWrap = true;
    bool WrapChar = false;
    bool Accelerators = true;
    TAlignment Alignment = TAlignment::Left;
    TTextLayout Layout = TTextLayout::Top;
    int LineSpacing = 0;
    TEllipsisPosition Ellipsis = TEllipsisPosition::None;
    bool AutoSize = false; // the text rectangle has no bottom
};

// What a link item contributes to the layout of its anchor.
struct TLinkStyle {
    TFontData Font;
    TFontData FontHover;
    TColor ColorBg = clNone;
    int MaxLine = -1;
};

struct TRunStyle {
    TFontData Font;
    TColor Back = clNone;
    bool Zigzag = false;
    bool Shadow = false;
    int Shift = 0; // +1 subscript, -1 superscript
};

struct TLayoutPiece {
    int X = 0; // absolute once the layout is finished
    int Width = 0;
    std::u16string Text; // as drawn: with "&" marks when Flags.Accelerators
    TTextFlags Flags;
    TRunStyle Style;
    int Anchor = -1;
    bool Cut = false; // passes the right edge of the text rectangle
};

struct TLayoutLine {
    int Top = 0;
    int Height = 0;
    int Spacing = 0;
    int Width = 0;
    int Indent = 0;
    TAlignment Align = TAlignment::Left;
    bool Visible = true;
    bool HasRule = false;
    TColor RuleColor = clBlack;
    std::vector<TLayoutPiece> Pieces;
};

struct TAnchorInfo {
    std::u16string Href;
    std::u16string Title;
    int Item = -1; // the link item bound to the anchor, -1 none
};

struct THtmLayout {
    TRect TextRect;
    std::vector<TLayoutLine> Lines;
    int TextHeight = 0;
    int TextWidth = 0;
    bool FoundTextOutOfRect = false;
    std::vector<TAnchorInfo> Anchors;
    std::vector<bool> Truncated; // one per link item
    TColor BodyColor = clNone;
};

// The line height of a font: the height of "`ghj_".
inline constexpr std::u16string_view kLineHeightSample = u"`ghj_";

// Lays out preprocessed mark-up (see PreprocessMarkup) starting in `font`, within `textRect`.
// `hoverIndex` picks the anchor drawn with its item's FontHover.
THtmLayout LayoutMarkup(ICanvas& canvas, std::u16string_view text, const TFontData& font,
                        const TLayoutOptions& options, const TRect& textRect,
                        const std::vector<TLinkStyle>& links, int hoverIndex);

void PaintLayout(ICanvas& canvas, const THtmLayout& layout);

// The anchor whose placed text holds (x, y), or -1; `anchorRect` gets the union of all pieces of
// that anchor (kNoRect when none).
int HitTestLayout(const THtmLayout& layout, int x, int y, TRect* anchorRect = nullptr);

} // namespace pv
