// The effect of each mark-up tag on the run style, fonts, paragraphs, lists and anchors.
#include "controls/HtmLayoutBuilder.h"
#include "platform/Text.h"
#include <algorithm>

namespace pv::htm {

namespace {

constexpr int kListIndent = 16;
constexpr int kMaxFontPoints = 1000;
constexpr int kMaxExtraSpace = 1000;

} // namespace

void LayoutBuilder::Tag(const TMarkupToken& t) {
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
                line_.Spacing += ClampInt(ParseMarkupInt(*space).value_or(0), 0, kMaxExtraSpace);
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
            lists_.push_back(
                {t.Kind == TTagKind::OrderedList, 0, ReadAttribute(tag, u"TYPE").value_or(u"")});
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

void LayoutBuilder::SetStyleBit(TFontStyles bit, bool on) {
    style_.Font.Style =
        static_cast<TFontStyles>(on ? (style_.Font.Style | bit) : (style_.Font.Style & ~bit));
}

void LayoutBuilder::PopStyle(std::vector<TRunStyle>& stack, bool fontColor) {
    if (stack.empty()) {
        return;
    }
    style_.Back = stack.back().Back;
    if (fontColor) {
        style_.Font.Color = stack.back().Font.Color;
    }
    stack.pop_back();
}

void LayoutBuilder::OpenAnchor(const std::u16string& tag) {
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

void LayoutBuilder::CloseAnchor() {
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

void LayoutBuilder::OpenFont(const std::u16string& tag) {
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
            while (p < rest.size() && (rest[p] == u' ' || (rest[p] >= u'0' && rest[p] <= u'9'))) {
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

void LayoutBuilder::CloseFont() {
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

void LayoutBuilder::OpenParagraph(const std::u16string& tag) {
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

void LayoutBuilder::CloseParagraph() {
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

void LayoutBuilder::ListItem(const std::u16string& tag) {
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

int LayoutBuilder::CurrentIndent() const {
    const long long indent =
        static_cast<long long>(paraIndent_) + static_cast<long long>(lists_.size()) * kListIndent;
    return ClampInt(indent, 0, std::max(0, width_));
}

} // namespace pv::htm
