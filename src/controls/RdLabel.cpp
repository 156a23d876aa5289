#include "controls/RdLabel.h"

namespace pv {

TRdCustomLabel::TRdCustomLabel() {
    font_.OnChange = [this] { FontChanged(); };
}

void TRdCustomLabel::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) {
        return;
    }
    left_ = left;
    top_ = top;
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    if (host_) {
        host_->BoundsChanged();
    }
    Invalidate();
}

void TRdCustomLabel::SetEnabled(bool enabled) {
    if (enabled_ != enabled) {
        enabled_ = enabled;
        Invalidate();
    }
}

void TRdCustomLabel::SetColor(TColor color) {
    if (color_ != color) {
        color_ = color;
        Invalidate();
    }
}

void TRdCustomLabel::SetTransparent(bool transparent) {
    if (transparent_ != transparent) {
        transparent_ = transparent;
        Invalidate();
    }
}

void TRdCustomLabel::ParentFontChanged(const TFontData& parent) {
    if (parentFont_) {
        font_.Assign(parent);
    }
}

void TRdCustomLabel::SetFontDisabledColor(TColor color) {
    if (fontDisabledColor_ != color) {
        fontDisabledColor_ = color;
        if (!enabled_) {
            Invalidate();
        }
    }
}

void TRdCustomLabel::SetCursor(TCursor cursor) {
    if (cursor_ != cursor) {
        cursor_ = cursor;
        if (host_) {
            host_->CursorChanged();
        }
    }
}

void TRdCustomLabel::SetCaption(const std::u16string& caption) {
    if (caption_ != caption) {
        caption_ = caption;
        Invalidate();
    }
}

void TRdCustomLabel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}

void TRdCustomLabel::SetLayout(TTextLayout l) {
    layout_ = l;
    Invalidate();
}

void TRdCustomLabel::SetWordWrap(bool on) {
    wordWrap_ = on;
    Invalidate();
}

void TRdCustomLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    Invalidate();
}

void TRdCustomLabel::SetTextBorder(const TDesignRect& border) {
    textBorder_ = border;
    Invalidate();
}

void TRdCustomLabel::SetShowAccelChar(bool on) {
    showAccelChar_ = on;
    Invalidate();
}

void TRdCustomLabel::SetEllipsisPosition(TEllipsisPosition e) {
    ellipsis_ = e;
    Invalidate();
}

TRect TRdCustomLabel::TextRect() const {
    return TRect{textBorder_.Left, textBorder_.Top, width_ - textBorder_.Right,
                 height_ - textBorder_.Bottom};
}

TLayoutOptions TRdCustomLabel::BaseOptions() const {
    TLayoutOptions o;
    o.WordWrap = wordWrap_;
    o.Accelerators = showAccelChar_;
    o.Alignment = alignment_;
    o.Layout = layout_;
    o.Ellipsis = ellipsis_;
    o.AutoSize = autoSize_;
    return o;
}

void TRdCustomLabel::ApplyAutoSize(int textHeight) {
    if (!autoSize_) {
        return;
    }
    if (align_ != TAlign::None && align_ != TAlign::Top && align_ != TAlign::Bottom) {
        return;
    }
    const int wanted = textBorder_.Top + textHeight + textBorder_.Bottom;
    if (wanted != height_) {
        SetBounds(left_, top_, width_, wanted);
    }
}

void TRdCustomLabel::Paint(ICanvas& canvas) {
    if (!transparent_ && color_ != clNone) {
        canvas.FillRect(ClientRect(), color_);
    }
    if (OnPaintImage) {
        OnPaintImage(*this, canvas);
    }
    TFontData font = font_.Data();
    if (!enabled_) {
        font.Color = fontDisabledColor_;
    }
    PaintText(canvas, font);
    if (OnPaintEnd) {
        OnPaintEnd(*this, canvas);
    }
}

void TRdCustomLabel::PaintText(ICanvas& canvas, const TFontData& font) {
    TLayoutOptions options = BaseOptions();
    options.Markup = false;
    const THtmLayout layout = LayoutMarkup(canvas, caption_, font, options, TextRect(), {}, -1);
    ApplyAutoSize(layout.TextHeight);
    PaintLayout(canvas, layout);
}

} // namespace pv
