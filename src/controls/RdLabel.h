#pragma once
// TRdCustomLabel, the non-windowed label control of the report window's toolkit, and TRdLabel,
// the plain label that draws its caption as text. The control talks to its window through
// ILabelHost, so every rule runs without a window.
#include "controls/Canvas.h"
#include "controls/HtmLayout.h"
#include "controls/RdFont.h"
#include <functional>
#include <string>

namespace pv {

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;

enum class TAlign { None, Top, Bottom, Left, Right, Client };

struct TDesignRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// What the control needs from the window that carries it.
class ILabelHost {
public:
    virtual ~ILabelHost() = default;
    // Repaint `rect` (client coordinates), or the whole control for nullptr.
    virtual void Invalidate(const TRect* rect) = 0;
    // A canvas for measuring outside painting (hit tests, auto-size); nullptr when none.
    virtual ICanvas* MeasureCanvas() = 0;
    // The control's bounds changed (auto-size).
    virtual void BoundsChanged() = 0;
    // The control's Cursor or hint text changed while the pointer is over it.
    virtual void CursorChanged() = 0;
    virtual void HintChanged() = 0;
};

class TRdCustomLabel {
public:
    using TPaintEvent = std::function<void(TRdCustomLabel& sender, ICanvas& canvas)>;

    TRdCustomLabel();
    virtual ~TRdCustomLabel() = default;
    TRdCustomLabel(const TRdCustomLabel&) = delete;
    TRdCustomLabel& operator=(const TRdCustomLabel&) = delete;

    void SetHost(ILabelHost* host) { host_ = host; }
    ILabelHost* Host() const { return host_; }

    // Geometry, in the parent's client coordinates.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    TRect ClientRect() const { return TRect{0, 0, width_, height_}; }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align) { align_ = align; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    // The label's font; it follows the parent's font while ParentFont is on.
    TRdFont& Font() { return font_; }
    const TRdFont& Font() const { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool on) { parentFont_ = on; }
    void ParentFontChanged(const TFontData& parent);
    TColor FontDisabledColor() const { return fontDisabledColor_; }
    void SetFontDisabledColor(TColor color);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    const std::u16string& Hint() const { return hint_; }
    void SetHint(const std::u16string& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on) { showHint_ = on; }

    virtual std::u16string Caption() const { return caption_; }
    virtual void SetCaption(const std::u16string& caption);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    const TDesignRect& TextBorder() const { return textBorder_; }
    void SetTextBorder(const TDesignRect& border);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool on);
    TEllipsisPosition EllipsisPosition() const { return ellipsis_; }
    void SetEllipsisPosition(TEllipsisPosition e);

    TPaintEvent OnPaintImage;
    TPaintEvent OnPaintEnd;

    // The client rectangle shrunk by TextBorder.
    TRect TextRect() const;

    // Paints the whole control into client coordinates.
    virtual void Paint(ICanvas& canvas);

    // Pointer events in client coordinates; the plain label ignores them.
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseMove(int, int) {}
    virtual void MouseDown(int, int) {}
    virtual void MouseUp(int, int) {}
    // Ends a press without a release over the control (capture lost).
    virtual void CancelPress() {}
    // The hint to show now; empty shows none.
    virtual std::u16string HintText() { return hint_; }

protected:
    void Invalidate(const TRect* rect = nullptr) {
        if (host_) {
            host_->Invalidate(rect);
        }
    }
    // Height the control needs for its text with AutoSize; applies it where alignment allows.
    void ApplyAutoSize(int textHeight);
    virtual void FontChanged() { Invalidate(); }
    // Lays out and draws the text; the painting order around it is Paint's.
    virtual void PaintText(ICanvas& canvas, const TFontData& font);
    TLayoutOptions BaseOptions() const;

private:
    ILabelHost* host_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 65;
    int height_ = 17;
    TAlign align_ = TAlign::None;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool transparent_ = true;
    TRdFont font_;
    bool parentFont_ = true;
    TColor fontDisabledColor_ = clGrayText;
    TCursor cursor_ = crDefault;
    std::u16string hint_;
    bool showHint_ = false;
    std::u16string caption_;
    TAlignment alignment_ = TAlignment::Left;
    TTextLayout layout_ = TTextLayout::Top;
    bool wordWrap_ = true;
    bool autoSize_ = false;
    TDesignRect textBorder_;
    bool showAccelChar_ = true;
    TEllipsisPosition ellipsis_ = TEllipsisPosition::None;
};

// The plain label: its caption is text, broken only at its line breaks and by WordWrap.
class TRdLabel : public TRdCustomLabel {};

} // namespace pv
