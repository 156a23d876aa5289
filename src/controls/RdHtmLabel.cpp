#include "controls/RdHtmLabel.h"
#include "controls/MarkupPlainText.h"
#include "controls/MarkupReader.h"

namespace pv {

// ---- link items ----

TRdHtmLabelLink::TRdHtmLabelLink(TRdHtmLabelLinks& owner, const TFontData& labelFont)
    : owner_(owner), font_(labelFont), fontHover_(labelFont) {
    TFontData underlined = labelFont;
    underlined.Style = static_cast<TFontStyles>(underlined.Style | fsUnderline);
    font_.Assign(underlined);
    fontHover_.RememberParent(underlined);
    fontHover_.Assign(underlined);
    font_.OnChange = [this] {
        fontHover_.ParentChanged(font_.Data());
        Repaint();
    };
    fontHover_.OnChange = [this] { Repaint(); };
}

int TRdHtmLabelLink::Index() const {
    return owner_.IndexOf(*this);
}

void TRdHtmLabelLink::Repaint() {
    TRdHtmLabel& label = owner_.Label();
    if (label.Host()) {
        label.Host()->Invalidate(nullptr);
    }
}

void TRdHtmLabelLink::SetColorBg(TColor color) {
    if (colorBg_ != color) {
        colorBg_ = color;
        Repaint();
    }
}

void TRdHtmLabelLink::SetMaxLine(int lines) {
    if (maxLine_ != lines) {
        maxLine_ = lines;
        Repaint();
    }
}

TRdHtmLabelLink& TRdHtmLabelLinks::Add() {
    items_.push_back(std::make_unique<TRdHtmLabelLink>(*this, label_.Font().Data()));
    items_.back()->Repaint();
    return *items_.back();
}

int TRdHtmLabelLinks::IndexOf(const TRdHtmLabelLink& item) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == &item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TRdHtmLabelLinks::Delete(int index) {
    if (index >= 0 && index < Count()) {
        items_.erase(items_.begin() + index);
        if (label_.Host()) {
            label_.Host()->Invalidate(nullptr);
        }
    }
}

void TRdHtmLabelLinks::Clear() {
    items_.clear();
    if (label_.Host()) {
        label_.Host()->Invalidate(nullptr);
    }
}

// ---- label ----

TRdHtmLabel::TRdHtmLabel() : links_(*this) {}

void TRdHtmLabel::SetLines(const std::vector<std::u16string>& lines) {
    lines_ = lines;
    TRdCustomLabel::SetCaption(Caption());
    if (OnTextChange) {
        OnTextChange();
    }
    Invalidate();
}

std::u16string TRdHtmLabel::Caption() const {
    std::u16string joined;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) {
            joined += u"<BR>";
        }
        joined += lines_[i];
    }
    return joined;
}

std::u16string TRdHtmLabel::PlainText() const {
    return PlainTextOfMarkup(Caption(), ShowAccelChar());
}

void TRdHtmLabel::SetCaption(const std::u16string& caption) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'\r' || caption[i] == u'\n') {
            lines.push_back(caption.substr(start, i - start));
            if (caption[i] == u'\r' && i + 1 < caption.size() && caption[i + 1] == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < caption.size()) {
        lines.push_back(caption.substr(start));
    }
    SetLines(lines);
}

void TRdHtmLabel::SetLineSpacing(int pixels) {
    if (lineSpacing_ != pixels) {
        lineSpacing_ = pixels;
        Invalidate();
    }
}

void TRdHtmLabel::SetWrapChar(bool on) {
    if (wrapChar_ != on) {
        wrapChar_ = on;
        Invalidate();
    }
}

void TRdHtmLabel::FontChanged() {
    for (int i = 0; i < links_.Count(); ++i) {
        links_[i].Font().ParentChanged(Font().Data());
    }
    Invalidate();
}

void TRdHtmLabel::Loaded() {
    for (int i = 0; i < links_.Count(); ++i) {
        links_[i].Font().ParentChanged(Font().Data());
        links_[i].FontHover().ParentChanged(links_[i].Font().Data());
    }
}

THtmLayout TRdHtmLabel::BuildLayout(ICanvas& canvas, const TFontData& font) {
    const TPreprocessedMarkup text = PreprocessMarkup(Caption(), ShowAccelChar());
    TLayoutOptions options = BaseOptions();
    options.Accelerators = text.Accelerators;
    options.WrapChar = wrapChar_;
    options.LineSpacing = lineSpacing_;
    std::vector<TLinkStyle> styles;
    styles.reserve(static_cast<size_t>(links_.Count()));
    for (int i = 0; i < links_.Count(); ++i) {
        const TRdHtmLabelLink& item = links_[i];
        styles.push_back(
            {item.Font().Data(), item.FontHover().Data(), item.ColorBg(), item.MaxLine()});
    }
    THtmLayout layout = LayoutMarkup(canvas, text.Text, font, options, TextRect(), styles, hover_);
    for (int i = 0; i < links_.Count(); ++i) {
        links_[i].truncated_ = layout.Truncated[static_cast<size_t>(i)];
    }
    foundTextOutOfRect_ = layout.FoundTextOutOfRect;
    return layout;
}

THtmLayout TRdHtmLabel::LayoutText(ICanvas& canvas) {
    TFontData font = Font().Data();
    if (!Enabled()) {
        font.Color = FontDisabledColor();
    }
    return BuildLayout(canvas, font);
}

void TRdHtmLabel::PaintText(ICanvas& canvas, const TFontData& font) {
    const THtmLayout layout = BuildLayout(canvas, font);
    ApplyAutoSize(layout.TextHeight);
    PaintLayout(canvas, layout);
}

int TRdHtmLabel::HitTest(ICanvas& canvas, int x, int y, TRect* anchorRect) {
    return HitTestLayout(LayoutText(canvas), x, y, anchorRect);
}

int TRdHtmLabel::HitTestHost(int x, int y, TRect* anchorRect) {
    ICanvas* canvas = Host() ? Host()->MeasureCanvas() : nullptr;
    if (!canvas) {
        if (anchorRect) {
            *anchorRect = kNoRect;
        }
        return -1;
    }
    return HitTest(*canvas, x, y, anchorRect);
}

void TRdHtmLabel::MouseEnter() {
    hover_ = -1;
}

void TRdHtmLabel::MouseLeave() {
    lastX_ = -1;
    lastY_ = -1;
    if (hover_ >= 0) {
        previousHover_ = hover_;
        hover_ = -2;
        const TRect rect = hoverRect_;
        hoverRect_ = kNoRect;
        Invalidate(rect.IsNone() ? nullptr : &rect);
        if (savedCursor_) {
            const TCursor saved = *savedCursor_;
            savedCursor_.reset();
            SetCursor(saved);
        }
    } else {
        hover_ = -2;
    }
}

void TRdHtmLabel::MouseMove(int x, int y) {
    if (x == lastX_ && y == lastY_) {
        return;
    }
    lastX_ = x;
    lastY_ = y;
    if (hover_ == -2) {
        return;
    }
    TRect rect;
    const int k = HitTestHost(x, y, &rect);
    if (k == hover_) {
        return;
    }
    const int from = hover_;
    previousHover_ = hover_;
    if (!hoverRect_.IsNone()) {
        const TRect old = hoverRect_;
        Invalidate(&old);
    } else {
        Invalidate();
    }
    hoverRect_ = rect;
    hover_ = k;
    if (k < 0) {
        if (savedCursor_) {
            const TCursor saved = *savedCursor_;
            savedCursor_.reset();
            SetCursor(saved);
        } else {
            savedCursor_ = Cursor();
        }
        return;
    }
    if (from < 0) {
        savedCursor_ = Cursor();
    }
    const bool hasItem = k < links_.Count();
    const TCursor itemCursor = hasItem ? links_[k].Cursor : crDefault;
    SetCursor(itemCursor != crDefault ? itemCursor : savedCursor_.value_or(Cursor()));
    if (!rect.IsNone()) {
        Invalidate(&rect);
    }
    if (hasItem && ShowHint() && !links_[k].Hint.empty() &&
        (!links_[k].AutoShowHint || links_[k].Truncated()) && Host()) {
        Host()->HintChanged();
    }
}

void TRdHtmLabel::MouseDown(int x, int y) {
    pressed_ = HitTestHost(x, y, nullptr);
}

void TRdHtmLabel::MouseUp(int x, int y) {
    const int pressed = pressed_;
    pressed_ = -1;
    if (pressed == -1) {
        return;
    }
    const int k = HitTestHost(x, y, nullptr);
    if (k == pressed && k >= 0 && k < links_.Count()) {
        TRdHtmLabelLink& item = links_[k];
        if (item.OnClick) {
            item.OnClick(item);
        }
    }
}

std::u16string TRdHtmLabel::HintText() {
    if (hover_ >= 0 && hover_ < links_.Count()) {
        const TRdHtmLabelLink& item = links_[hover_];
        if (!item.Hint.empty() && (!item.AutoShowHint || item.Truncated())) {
            return item.Hint;
        }
    }
    if (autoShowHint_) {
        if (!foundTextOutOfRect_) {
            return u"";
        }
        return Hint().empty() ? Caption() : Hint();
    }
    return Hint();
}

std::u16string TRdHtmLabel::HintToShow(int x, int y) {
    std::u16string text = HintText();
    bool canShow = true;
    THintInfo info;
    info.CursorX = x;
    info.CursorY = y;
    info.CursorRect = hoverRect_.IsNone() ? ClientRect() : hoverRect_;
    if (OnShowHint) {
        OnShowHint(text, canShow, info);
    }
    return canShow ? text : std::u16string();
}

} // namespace pv
