// Line layout: text runs measured and broken into lines, then aligned and placed vertically.
#include "controls/HtmLayoutBuilder.h"
#include <algorithm>
#include <climits>

namespace pv::htm {

namespace {

int FloorHalf(int value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

} // namespace

void LayoutBuilder::AddRun(std::u16string_view run) {
    std::vector<bool> marked;
    marked.reserve(run.size());
    const std::u16string shown = ShownRunText(run, accelerators_, &marked);
    if (shown.empty()) {
        return;
    }
    canvas_.SetFont(style_.Font);
    canvas_.MeasureExtents(shown, ends_);
    ends_.resize(shown.size(), ends_.empty() ? 0 : ends_.back());
    PlaceRun(shown, marked);
}

int LayoutBuilder::Extent(size_t end) const {
    return end == 0 ? 0 : ends_[end - 1];
}

int LayoutBuilder::WidthOf(size_t from, size_t to) const {
    return Extent(to) - Extent(from);
}

bool LayoutBuilder::IsBlank(char16_t c) {
    return c == u' ';
}

size_t LayoutBuilder::FitWords(const std::u16string& s, size_t pos, int avail,
                               bool lineEmpty) const {
    size_t i = pos;
    while (i < s.size() && IsBlank(s[i])) {
        ++i;
    }
    size_t best = lineEmpty ? 0 : i - pos;
    while (i < s.size()) {
        size_t end = i;
        while (end < s.size() && !IsBlank(s[end])) {
            ++end;
        }
        if (WidthOf(pos, end) > avail) {
            break;
        }
        while (end < s.size() && IsBlank(s[end])) {
            ++end;
        }
        best = end - pos;
        i = end;
    }
    return best;
}

size_t LayoutBuilder::FitChars(const std::u16string& s, size_t pos, int avail) const {
    size_t n = 1;
    while (pos + n < s.size() && WidthOf(pos, pos + n + 1) <= avail) {
        ++n;
    }
    return n;
}

size_t LayoutBuilder::FirstWord(const std::u16string& s, size_t pos) const {
    size_t end = pos;
    while (end < s.size() && IsBlank(s[end])) {
        ++end;
    }
    while (end < s.size() && !IsBlank(s[end])) {
        ++end;
    }
    while (end < s.size() && IsBlank(s[end])) {
        ++end;
    }
    return end - pos;
}

bool LayoutBuilder::LineLimitReached() const {
    if (anchor_ < 0 || lineLimit_ <= 0) {
        return false;
    }
    const size_t used = out_.Lines.size() - anchorFirstLine_ + 1;
    return used >= static_cast<size_t>(lineLimit_);
}

void LayoutBuilder::PlaceRun(const std::u16string& s, const std::vector<bool>& marked) {
    size_t pos = 0;
    bool wrapped = false;
    while (pos < s.size()) {
        if (wrapped) {
            while (pos < s.size() && IsBlank(s[pos])) {
                ++pos;
            }
            if (pos >= s.size()) {
                break;
            }
            wrapped = false;
        }
        const int avail = width_ - x_;
        const bool lineEmpty = line_.Pieces.empty();
        size_t n;
        if (!options_.WordWrap || LineLimitReached()) {
            n = s.size() - pos;
        } else {
            n = FitWords(s, pos, avail, lineEmpty);
            if (n == 0) {
                if (!lineEmpty) {
                    FinishLine();
                    wrapped = true;
                    continue;
                }
                n = options_.WrapChar ? FitChars(s, pos, avail) : FirstWord(s, pos);
            }
        }
        size_t shownEnd = pos + n;
        const bool wraps = shownEnd < s.size();
        if (wraps) {
            while (shownEnd > pos && IsBlank(s[shownEnd - 1])) {
                --shownEnd;
            }
        }
        AddPiece(s, marked, pos, shownEnd);
        pos += n;
        if (wraps) {
            FinishLine();
            wrapped = true;
        }
    }
}

void LayoutBuilder::AddPiece(const std::u16string& s, const std::vector<bool>& marked, size_t from,
                             size_t to) {
    if (to <= from) {
        return;
    }
    TLayoutPiece piece;
    piece.X = x_;
    piece.Width = WidthOf(from, to);
    piece.Style = style_;
    piece.Anchor = anchor_;
    piece.Flags.Ellipsis = options_.Ellipsis;
    piece.Flags.Accelerators = accelerators_;
    for (size_t i = from; i < to; ++i) {
        if (accelerators_ && (s[i] == u'&' || marked[i])) {
            piece.Text += u'&';
        }
        piece.Text += s[i];
    }
    if (static_cast<long long>(x_) + piece.Width > width_) {
        piece.Cut = true;
        out_.FoundTextOutOfRect = true;
        if (anchor_ >= 0 && anchor_ < static_cast<int>(out_.Truncated.size())) {
            out_.Truncated[static_cast<size_t>(anchor_)] = true;
        }
    }
    if (line_.Pieces.empty()) {
        line_.Align = align_;
    }
    lineHeight_ = std::max(lineHeight_, HeightOf(style_.Font));
    x_ = ClampInt(static_cast<long long>(x_) + piece.Width, INT_MIN / 4, INT_MAX / 4);
    line_.Pieces.push_back(std::move(piece));
}

int LayoutBuilder::HeightOf(const TFontData& font) {
    for (const auto& [f, h] : heights_) {
        if (f == font) {
            return h;
        }
    }
    canvas_.SetFont(font);
    const int h = std::max(0, canvas_.TextHeight(kLineHeightSample));
    heights_.emplace_back(font, h);
    return h;
}

void LayoutBuilder::EndLineIfUsed() {
    if (!line_.Pieces.empty()) {
        FinishLine();
    }
}

void LayoutBuilder::FinishLine() {
    line_.Height = line_.Pieces.empty() ? HeightOf(style_.Font) : lineHeight_;
    if (line_.Pieces.empty()) {
        line_.Align = align_;
    }
    line_.Spacing += options_.LineSpacing;
    line_.Top = y_;
    line_.Indent = line_.Pieces.empty() ? CurrentIndent() : line_.Pieces.front().X;
    line_.Width = line_.Pieces.empty() ? 0 : x_ - line_.Indent;
    y_ = ClampInt(static_cast<long long>(y_) + line_.Height + line_.Spacing, INT_MIN / 4,
                  INT_MAX / 4);
    out_.Lines.push_back(std::move(line_));
    line_ = TLayoutLine{};
    lineHeight_ = 0;
    x_ = CurrentIndent();
}

void LayoutBuilder::Place() {
    const TRect& r = out_.TextRect;
    out_.TextHeight = y_;
    int offset = 0;
    if (!options_.AutoSize) {
        if (options_.Layout == TTextLayout::Center) {
            offset = FloorHalf(r.Height() - y_);
        } else if (options_.Layout == TTextLayout::Bottom) {
            offset = r.Height() - y_;
        }
    }
    for (TLayoutLine& line : out_.Lines) {
        out_.TextWidth = std::max(out_.TextWidth, line.Width);
        const int spare = std::max(0, width_ - line.Indent - line.Width);
        int shift = 0;
        if (line.Align == TAlignment::Right) {
            shift = spare;
        } else if (line.Align == TAlignment::Center) {
            shift = spare / 2;
        }
        line.Top += r.Top + offset;
        for (TLayoutPiece& piece : line.Pieces) {
            piece.X += r.Left + shift;
        }
        if (!options_.AutoSize) {
            const bool above = line.Top < r.Top;
            const bool below = line.Top + line.Height > r.Bottom;
            line.Visible = line.Top < r.Bottom && line.Top + line.Height > r.Top;
            if (above || below) {
                out_.FoundTextOutOfRect = true;
            }
        }
    }
}

} // namespace pv::htm
