#include "controls/HtmLayout.h"
#include "controls/MarkupReader.h"
#include "platform/Text.h"
#include <algorithm>
#include <climits>

namespace pv {

namespace {

constexpr int kListIndent = 16;
constexpr int kMaxFontPoints = 1000;
constexpr int kMaxExtraSpace = 1000;

int FloorHalf(int value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

int ClampInt(long long v, int lo, int hi) {
    return static_cast<int>(std::min<long long>(std::max<long long>(v, lo), hi));
}

struct ListState {
    bool Ordered = false;
    int Counter = 0;
    std::u16string Type;
};

class LayoutBuilder {
public:
    LayoutBuilder(ICanvas& canvas, const TLayoutOptions& options,
                  const std::vector<TLinkStyle>& links, int hoverIndex, THtmLayout& out)
        : canvas_(canvas), options_(options), links_(links), hover_(hoverIndex), out_(out) {
        width_ = out.TextRect.Width();
        align_ = options.Alignment;
        out_.Truncated.assign(links.size(), false);
    }

    void Run(std::u16string_view text, const TFontData& font) {
        style_.Font = font;
        if (options_.Markup) {
            TMarkupReader reader(text);
            TMarkupToken token;
            while (reader.Next(token)) {
                if (token.IsTag) {
                    Tag(token);
                } else if (hidden_ == 0) {
                    AddRun(token.Text);
                }
            }
        } else {
            size_t start = 0;
            for (size_t i = 0; i <= text.size(); ++i) {
                if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
                    AddRun(text.substr(start, i - start));
                    if (i < text.size()) {
                        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                            ++i;
                        }
                        FinishLine();
                    }
                    start = i + 1;
                }
            }
        }
        if (!line_.Pieces.empty() || line_.HasRule) {
            FinishLine();
        }
        Place();
    }

private:
    // ---- tags ----
    void Tag(const TMarkupToken& t) {
        const std::u16string& tag = t.Text;
        switch (t.Kind) {
        case TTagKind::Anchor:
            t.Closing ? CloseAnchor() : OpenAnchor(tag);
            break;
        case TTagKind::Bold:
            SetStyleBit(fsBold, !t.Closing);
            break;
        case TTagKind::Italic:
            SetStyleBit(fsItalic, !t.Closing);
            break;
        case TTagKind::Underline:
            SetStyleBit(fsUnderline, !t.Closing);
            break;
        case TTagKind::Strike:
            SetStyleBit(fsStrikeOut, !t.Closing);
            break;
        case TTagKind::Font:
            t.Closing ? CloseFont() : OpenFont(tag);
            break;
        case TTagKind::Break:
            if (!t.Closing) {
                if (auto space = ReadAttribute(tag, u"LINESPACE")) {
                    line_.Spacing +=
                        ClampInt(ParseMarkupInt(*space).value_or(0), 0, kMaxExtraSpace);
                }
                FinishLine();
            }
            break;
        case TTagKind::Paragraph:
            t.Closing ? CloseParagraph() : OpenParagraph(tag);
            break;
        case TTagKind::Highlight:
            if (t.Closing) {
                PopStyle(highlightStack_, /*font colour*/ true);
            } else {
                highlightStack_.push_back(style_);
                style_.Back = clHighlight;
                style_.Font.Color = clHighlightText;
            }
            break;
        case TTagKind::Rule:
            if (!t.Closing) {
                line_.HasRule = true;
                const auto color = ReadAttribute(tag, u"COLOR");
                line_.RuleColor = color ? ParseColorValue(*color) : clBlack;
                FinishLine();
            }
            break;
        case TTagKind::ErrorMark:
            style_.Zigzag = !t.Closing;
            break;
        case TTagKind::Shadow:
            style_.Shadow = !t.Closing;
            break;
        case TTagKind::Sub:
            style_.Shift = t.Closing ? 0 : 1;
            break;
        case TTagKind::Sup:
            style_.Shift = t.Closing ? 0 : -1;
            break;
        case TTagKind::Span:
            if (t.Closing) {
                PopStyle(spanStack_, false);
            } else {
                spanStack_.push_back(style_);
                if (auto css = ReadAttribute(tag, u"STYLE")) {
                    const size_t at = css->find(u"BACKGROUND-COLOR:");
                    if (at != std::u16string::npos) {
                        size_t p = at + 17;
                        while (p < css->size() && (*css)[p] == u' ') {
                            ++p;
                        }
                        if (p < css->size() && (*css)[p] == u'#') {
                            style_.Back = ParseColorValue(std::u16string_view(*css).substr(p));
                        }
                    }
                }
            }
            break;
        case TTagKind::Hidden:
            hidden_ = t.Closing ? std::max(0, hidden_ - 1) : hidden_ + 1;
            break;
        case TTagKind::Indent:
            if (!t.Closing) {
                if (auto v = ReadAttribute(tag, u"X")) {
                    const int target = ClampInt(CurrentIndent() + ParseMarkupInt(*v).value_or(0), 0,
                                                std::max(0, width_));
                    x_ = std::max(x_, target);
                }
            }
            break;
        case TTagKind::Offset:
            if (!t.Closing) {
                if (auto v = ReadAttribute(tag, u"X")) {
                    x_ = ClampInt(static_cast<long long>(x_) + ParseMarkupInt(*v).value_or(0), 0,
                                  std::max(0, width_));
                }
            }
            break;
        case TTagKind::OrderedList:
        case TTagKind::UnorderedList:
            if (t.Closing) {
                if (!lists_.empty()) {
                    lists_.pop_back();
                }
                EndLineIfUsed();
                x_ = CurrentIndent();
            } else {
                EndLineIfUsed();
                lists_.push_back({t.Kind == TTagKind::OrderedList, 0,
                                  ReadAttribute(tag, u"TYPE").value_or(u"")});
                x_ = CurrentIndent();
            }
            break;
        case TTagKind::ListItem:
            if (!t.Closing) {
                ListItem(tag);
            }
            break;
        case TTagKind::Body:
            if (!t.Closing) {
                if (auto c = ReadAttribute(tag, u"BGCOLOR")) {
                    out_.BodyColor = ParseColorValue(*c);
                }
            }
            break;
        case TTagKind::Image:
        case TTagKind::Rotate:
        case TTagKind::Unknown:
            break;
        }
    }

    void SetStyleBit(TFontStyles bit, bool on) {
        style_.Font.Style =
            static_cast<TFontStyles>(on ? (style_.Font.Style | bit) : (style_.Font.Style & ~bit));
    }

    void PopStyle(std::vector<TRunStyle>& stack, bool fontColor) {
        if (stack.empty()) {
            return;
        }
        style_.Back = stack.back().Back;
        if (fontColor) {
            style_.Font.Color = stack.back().Font.Color;
        }
        stack.pop_back();
    }

    void OpenAnchor(const std::u16string& tag) {
        anchorStack_.push_back({style_, anchor_, lineLimit_, anchorFirstLine_});
        const int k = static_cast<int>(out_.Anchors.size());
        anchor_ = k;
        lineLimit_ = 0;
        TAnchorInfo info;
        if (k < static_cast<int>(links_.size())) {
            const TLinkStyle& item = links_[static_cast<size_t>(k)];
            if (item.ColorBg != clNone) {
                style_.Back = item.ColorBg;
            }
            style_.Font = k == hover_ ? item.FontHover : item.Font;
            lineLimit_ = item.MaxLine;
            info.Item = k;
        }
        if (auto maxLine = ReadAttribute(tag, u"MAXLINE")) {
            if (auto n = ParseMarkupInt(*maxLine)) {
                lineLimit_ = *n;
            }
        }
        info.Href = ReadAttribute(tag, u"HREF", true).value_or(u"");
        info.Title = ReadAttribute(tag, u"TITLE", true).value_or(u"");
        out_.Anchors.push_back(std::move(info));
        anchorFirstLine_ = out_.Lines.size();
    }

    void CloseAnchor() {
        if (anchorStack_.empty()) {
            return;
        }
        const AnchorSave& s = anchorStack_.back();
        style_.Font = s.Style.Font;
        style_.Back = s.Style.Back;
        anchor_ = s.Anchor;
        lineLimit_ = s.LineLimit;
        anchorFirstLine_ = s.FirstLine;
        anchorStack_.pop_back();
    }

    void OpenFont(const std::u16string& tag) {
        fontStack_.push_back(style_);
        if (auto face = ReadAttribute(tag, u"FACE", true)) {
            if (!face->empty()) {
                style_.Font.Name = *face;
            }
        }
        if (auto color = ReadAttribute(tag, u" COLOR")) {
            style_.Font.Color = ParseColorValue(*color);
        }
        if (auto back = ReadAttribute(tag, u"BGCOLOR")) {
            style_.Back = ParseColorValue(*back);
        }
        std::optional<int> points;
        if (auto css = ReadAttribute(tag, u"STYLE")) {
            const size_t at = css->find(u"FONT-SIZE:");
            if (at != std::u16string::npos) {
                const std::u16string_view rest = std::u16string_view(*css).substr(at + 10);
                size_t p = 0;
                while (p < rest.size() &&
                       (rest[p] == u' ' || (rest[p] >= u'0' && rest[p] <= u'9'))) {
                    ++p;
                }
                if (rest.substr(p, 2) == u"PT") {
                    points = ParseMarkupInt(rest);
                }
            }
        } else if (auto size = ReadAttribute(tag, u"SIZE")) {
            if (auto n = ParseMarkupInt(*size)) {
                static constexpr int kSizes[] = {8, 10, 12, 14, 16};
                points = *n >= 1 && *n <= 5 ? kSizes[*n - 1] : *n;
            }
        }
        if (points && *points > 0) {
            style_.Font.Height = FontHeightFromPoints(std::min(*points, kMaxFontPoints));
        }
    }

    void CloseFont() {
        if (fontStack_.empty()) {
            return;
        }
        const TRunStyle& s = fontStack_.back();
        style_.Font.Name = s.Font.Name;
        style_.Font.Height = s.Font.Height;
        style_.Font.Color = s.Font.Color;
        style_.Back = s.Back;
        fontStack_.pop_back();
    }

    void OpenParagraph(const std::u16string& tag) {
        paragraphStack_.push_back({style_.Back, align_, paraIndent_});
        if (auto a = ReadAttribute(tag, u"ALIGN")) {
            if (a->find(u"RIGHT") != std::u16string::npos) {
                align_ = TAlignment::Right;
            } else if (a->find(u"CENTER") != std::u16string::npos) {
                align_ = TAlignment::Center;
            } else if (a->find(u"LEFT") != std::u16string::npos) {
                align_ = TAlignment::Left;
            }
        }
        if (auto indent = ReadAttribute(tag, u"INDENT")) {
            paraIndent_ = ClampInt(ParseMarkupInt(*indent).value_or(0), 0, std::max(0, width_));
        }
        if (auto back = ReadAttribute(tag, u"BGCOLOR")) {
            style_.Back = ParseColorValue(*back);
        }
        if (line_.Pieces.empty()) {
            x_ = std::max(x_, CurrentIndent());
        }
    }

    void CloseParagraph() {
        EndLineIfUsed();
        if (!paragraphStack_.empty()) {
            style_.Back = paragraphStack_.back().Back;
            align_ = paragraphStack_.back().Align;
            paraIndent_ = paragraphStack_.back().Indent;
            paragraphStack_.pop_back();
        }
        if (line_.Pieces.empty()) {
            x_ = CurrentIndent();
        }
    }

    void ListItem(const std::u16string& tag) {
        EndLineIfUsed();
        x_ = CurrentIndent();
        std::u16string bullet = u"\u2022 ";
        if (!lists_.empty()) {
            ListState& list = lists_.back();
            ++list.Counter;
            const std::u16string type = ReadAttribute(tag, u"TYPE").value_or(list.Type);
            if (list.Ordered) {
                bullet = ToText(list.Counter) + u". ";
            } else if (type.find(u"CIRCLE") != std::u16string::npos) {
                bullet = u"o ";
            } else if (type.find(u"SQUARE") != std::u16string::npos) {
                bullet = u"\u25AA ";
            }
        }
        const bool accelerators = accelerators_;
        accelerators_ = false;
        AddRun(bullet);
        accelerators_ = accelerators;
    }

    int CurrentIndent() const {
        const long long indent = static_cast<long long>(paraIndent_) +
                                 static_cast<long long>(lists_.size()) * kListIndent;
        return ClampInt(indent, 0, std::max(0, width_));
    }

    // ---- text runs ----
    void AddRun(std::u16string_view run) {
        std::u16string shown;
        std::vector<bool> marked;
        shown.reserve(run.size());
        marked.reserve(run.size());
        for (size_t i = 0; i < run.size(); ++i) {
            if (accelerators_ && run[i] == u'&') {
                if (i + 1 >= run.size()) {
                    break;
                }
                ++i;
                shown += run[i];
                marked.push_back(run[i] != u'&');
            } else {
                shown += run[i];
                marked.push_back(false);
            }
        }
        if (shown.empty()) {
            return;
        }
        canvas_.SetFont(style_.Font);
        canvas_.MeasureExtents(shown, ends_);
        ends_.resize(shown.size(), ends_.empty() ? 0 : ends_.back());
        PlaceRun(shown, marked);
    }

    int Extent(size_t end) const { return end == 0 ? 0 : ends_[end - 1]; }
    int WidthOf(size_t from, size_t to) const { return Extent(to) - Extent(from); }

    static bool IsBlank(char16_t c) { return c == u' '; }

    // Characters from `pos` that fit in `avail` pixels, breaking only after whole words (the
    // blanks after the last word are taken along). Leading blanks alone count only when the line
    // already holds text.
    size_t FitWords(const std::u16string& s, size_t pos, int avail, bool lineEmpty) const {
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

    size_t FitChars(const std::u16string& s, size_t pos, int avail) const {
        size_t n = 1;
        while (pos + n < s.size() && WidthOf(pos, pos + n + 1) <= avail) {
            ++n;
        }
        return n;
    }

    size_t FirstWord(const std::u16string& s, size_t pos) const {
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

    bool LineLimitReached() const {
        if (anchor_ < 0 || lineLimit_ <= 0) {
            return false;
        }
        const size_t used = out_.Lines.size() - anchorFirstLine_ + 1;
        return used >= static_cast<size_t>(lineLimit_);
    }

    void PlaceRun(const std::u16string& s, const std::vector<bool>& marked) {
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

    void AddPiece(const std::u16string& s, const std::vector<bool>& marked, size_t from,
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

    // ---- lines ----
    int HeightOf(const TFontData& font) {
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

    void EndLineIfUsed() {
        if (!line_.Pieces.empty()) {
            FinishLine();
        }
    }

    void FinishLine() {
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

    // Alignment, vertical layout and visibility, once every line is known.
    void Place() {
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

    struct AnchorSave {
        TRunStyle Style;
        int Anchor;
        int LineLimit;
        size_t FirstLine;
    };
    struct ParagraphSave {
        TColor Back;
        TAlignment Align;
        int Indent;
    };

    ICanvas& canvas_;
    const TLayoutOptions& options_;
    const std::vector<TLinkStyle>& links_;
    int hover_;
    THtmLayout& out_;

    int width_ = 0;
    int x_ = 0;
    int y_ = 0;
    int lineHeight_ = 0;
    TLayoutLine line_;
    TRunStyle style_;
    TAlignment align_;
    int paraIndent_ = 0;
    int hidden_ = 0;
    bool accelerators_ = true;
    int anchor_ = -1;
    int lineLimit_ = 0;
    size_t anchorFirstLine_ = 0;
    std::vector<AnchorSave> anchorStack_;
    std::vector<TRunStyle> fontStack_;
    std::vector<TRunStyle> highlightStack_;
    std::vector<TRunStyle> spanStack_;
    std::vector<ParagraphSave> paragraphStack_;
    std::vector<ListState> lists_;
    std::vector<std::pair<TFontData, int>> heights_;
    std::vector<int> ends_;

public:
    void SetAccelerators(bool on) { accelerators_ = on; }
};

} // namespace

THtmLayout LayoutMarkup(ICanvas& canvas, std::u16string_view text, const TFontData& font,
                        const TLayoutOptions& options, const TRect& textRect,
                        const std::vector<TLinkStyle>& links, int hoverIndex) {
    THtmLayout out;
    out.TextRect = textRect;
    if (options.AutoSize) {
        out.TextRect.Bottom = INT_MAX / 4;
    }
    LayoutBuilder builder(canvas, options, links, hoverIndex, out);
    builder.SetAccelerators(options.Accelerators);
    builder.Run(text, font);
    if (options.AutoSize) {
        out.TextRect.Bottom = out.TextRect.Top + out.TextHeight;
    }
    return out;
}

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
