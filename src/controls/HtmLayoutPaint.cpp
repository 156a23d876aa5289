// Painting of a finished layout: backgrounds, text runs, shadows, error marks and rules.
#include "controls/HtmLayout.h"
#include <algorithm>

namespace pv {

namespace {

void DrawZigzag(ICanvas& canvas, int left, int right, int bottom) {
    constexpr int kStep = 2;
    int y = bottom - 1;
    for (int x = left; x < right; x += kStep) {
        const int nextY = y == bottom - 1 ? bottom - 1 - kStep : bottom - 1;
        canvas.DrawLine(x, y, std::min(x + kStep, right), nextY, clRed);
        y = nextY;
    }
}

} // namespace

void PaintLayout(ICanvas& canvas, const THtmLayout& layout) {
    const TRect& r = layout.TextRect;
    if (layout.BodyColor != clNone) {
        canvas.FillRect(r, layout.BodyColor);
    }
    for (const TLayoutLine& line : layout.Lines) {
        if (!line.Visible) {
            continue;
        }
        const int top = line.Top;
        const int bottom = line.Top + line.Height;
        for (const TLayoutPiece& piece : line.Pieces) {
            TRect clip{std::max(piece.X, r.Left), std::max(top, r.Top),
                       std::min(piece.X + piece.Width, r.Right), std::min(bottom, r.Bottom)};
            if (clip.Right <= clip.Left || clip.Bottom <= clip.Top) {
                continue;
            }
            if (piece.Style.Back != clNone) {
                canvas.FillRect(clip, piece.Style.Back);
            }
            canvas.SetFont(piece.Style.Font);
            const int y = top + piece.Style.Shift * (line.Height / 4);
            if (piece.Style.Shadow) {
                canvas.SetTextColor(clBtnShadow);
                canvas.DrawRun(TRect{clip.Left, clip.Top, clip.Right + 1, clip.Bottom + 1},
                               piece.X + 1, y + 1, piece.Text, piece.Flags);
            }
            canvas.SetTextColor(piece.Style.Font.Color);
            canvas.DrawRun(clip, piece.X, y, piece.Text, piece.Flags);
            if (piece.Style.Zigzag) {
                DrawZigzag(canvas, clip.Left, clip.Right, clip.Bottom);
            }
        }
        if (line.HasRule && bottom < r.Bottom) {
            canvas.DrawLine(r.Left, bottom, r.Right, bottom, line.RuleColor);
        }
    }
}

} // namespace pv
