// Hit testing of a finished layout: the anchor under a point and the extent of its pieces.
#include "controls/HtmLayout.h"
#include <algorithm>

namespace pv {

int HitTestLayout(const THtmLayout& layout, int x, int y, TRect* anchorRect) {
    int found = -1;
    for (const TLayoutLine& line : layout.Lines) {
        if (!line.Visible || y < line.Top || y >= line.Top + line.Height) {
            continue;
        }
        for (const TLayoutPiece& piece : line.Pieces) {
            if (piece.Anchor >= 0 && x >= piece.X && x < piece.X + piece.Width) {
                found = piece.Anchor;
                break;
            }
        }
        if (found >= 0) {
            break;
        }
    }
    if (anchorRect) {
        *anchorRect = kNoRect;
        if (found >= 0) {
            bool first = true;
            for (const TLayoutLine& line : layout.Lines) {
                if (!line.Visible) {
                    continue;
                }
                for (const TLayoutPiece& piece : line.Pieces) {
                    if (piece.Anchor != found) {
                        continue;
                    }
                    const TRect p{piece.X, line.Top, piece.X + piece.Width, line.Top + line.Height};
                    if (first) {
                        *anchorRect = p;
                        first = false;
                    } else {
                        anchorRect->Left = std::min(anchorRect->Left, p.Left);
                        anchorRect->Top = std::min(anchorRect->Top, p.Top);
                        anchorRect->Right = std::max(anchorRect->Right, p.Right);
                        anchorRect->Bottom = std::max(anchorRect->Bottom, p.Bottom);
                    }
                }
            }
        }
    }
    return found;
}

} // namespace pv
