#pragma once
// TRdHtmLabel: a label that draws light HTML-like mark-up and binds clickable link items to its
// anchors (item k belongs to the k-th anchor of the text).
#include "controls/RdLabel.h"
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pv {

class TRdHtmLabel;
class TRdHtmLabelLinks;

class TRdHtmLabelLink {
public:
    using TClickEvent = std::function<void(TRdHtmLabelLink& item)>;

    TRdHtmLabelLink(TRdHtmLabelLinks& owner, const TFontData& labelFont);
    TRdHtmLabelLink(const TRdHtmLabelLink&) = delete;
    TRdHtmLabelLink& operator=(const TRdHtmLabelLink&) = delete;

    int Index() const;
    TRdHtmLabelLinks& Collection() const { return owner_; }

    std::u16string Name;
    std::u16string Caption;
    std::u16string Hint;
    TCursor Cursor = crDefault; // crDefault keeps the label's own cursor
    bool AutoShowHint = false;  // show Hint only when the anchor text was cut
    TClickEvent OnClick;

    // Starts as the label's font plus underline and follows the label's font.
    TRdFont& Font() { return font_; }
    const TRdFont& Font() const { return font_; }
    // Follows the item's Font.
    TRdFont& FontHover() { return fontHover_; }
    const TRdFont& FontHover() const { return fontHover_; }

    TColor ColorBg() const { return colorBg_; }
    void SetColorBg(TColor color);
    int MaxLine() const { return maxLine_; }
    void SetMaxLine(int lines);

    // Set by measurement when the anchor text was cut at the right edge.
    bool Truncated() const { return truncated_; }

private:
    friend class TRdHtmLabel;
    friend class TRdHtmLabelLinks;
    void Repaint();

    TRdHtmLabelLinks& owner_;
    TRdFont font_;
    TRdFont fontHover_;
    TColor colorBg_ = clNone;
    int maxLine_ = -1;
    bool truncated_ = false;
};

class TRdHtmLabelLinks {
public:
    explicit TRdHtmLabelLinks(TRdHtmLabel& label) : label_(label) {}

    TRdHtmLabelLink& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TRdHtmLabelLink& operator[](int index) { return *items_.at(static_cast<size_t>(index)); }
    const TRdHtmLabelLink& operator[](int index) const {
        return *items_.at(static_cast<size_t>(index));
    }
    int IndexOf(const TRdHtmLabelLink& item) const;
    void Delete(int index);
    void Clear();
    TRdHtmLabel& Label() const { return label_; }

private:
    TRdHtmLabel& label_;
    std::vector<std::unique_ptr<TRdHtmLabelLink>> items_;
};

struct THintInfo {
    int CursorX = 0;
    int CursorY = 0;
    TRect CursorRect = kNoRect;
};

class TRdHtmLabel : public TRdLabel {
public:
    using TShowHintEvent =
        std::function<void(std::u16string& hintText, bool& canShow, THintInfo& info)>;

    TRdHtmLabel();

    const std::vector<std::u16string>& Lines() const { return lines_; }
    void SetLines(const std::vector<std::u16string>& lines);
    // The lines joined with "<BR>"; setting it splits the text at its line breaks.
    std::u16string Caption() const override;
    void SetCaption(const std::u16string& caption) override;
    // The caption as the sentence it shows, without mark-up: the window text and the name that
    // accessibility tools read.
    std::u16string PlainText() const;

    TRdHtmLabelLinks& LinkItems() { return links_; }
    const TRdHtmLabelLinks& LinkItems() const { return links_; }

    int LineSpacing() const { return lineSpacing_; }
    void SetLineSpacing(int pixels);
    bool WrapChar() const { return wrapChar_; }
    void SetWrapChar(bool on);
    bool AutoShowHint() const { return autoShowHint_; }
    void SetAutoShowHint(bool on) { autoShowHint_ = on; }
    bool FoundTextOutOfRect() const { return foundTextOutOfRect_; }

    TShowHintEvent OnShowHint;
    std::function<void()> OnTextChange;

    // Pointer state.
    int HoverIndex() const { return hover_; }
    int PreviousHoverIndex() const { return previousHover_; }
    const TRect& HoverRect() const { return hoverRect_; }
    int PressedIndex() const { return pressed_; }

    // Lays the text out as for painting on `canvas` and finds the anchor at (x, y).
    int HitTest(ICanvas& canvas, int x, int y, TRect* anchorRect = nullptr);
    // The full layout as painting would make it now.
    THtmLayout LayoutText(ICanvas& canvas);

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y) override;
    void MouseUp(int x, int y) override;
    void CancelPress() override { pressed_ = -1; }
    std::u16string HintText() override;
    // The hint after OnShowHint; empty when none is to be shown.
    std::u16string HintToShow(int x, int y);

    // After loading from a form file: item fonts take the label's font for what the file left
    // unset.
    void Loaded();

protected:
    void FontChanged() override;
    void PaintText(ICanvas& canvas, const TFontData& font) override;

private:
    THtmLayout BuildLayout(ICanvas& canvas, const TFontData& font);
    int HitTestHost(int x, int y, TRect* anchorRect);

    std::vector<std::u16string> lines_;
    TRdHtmLabelLinks links_;
    int lineSpacing_ = 0;
    bool wrapChar_ = false;
    bool autoShowHint_ = false;
    bool foundTextOutOfRect_ = false;

    int hover_ = -2;
    int previousHover_ = -2;
    TRect hoverRect_ = kNoRect;
    int pressed_ = -1;
    std::optional<TCursor> savedCursor_;
    int lastX_ = -1;
    int lastY_ = -1;
};

} // namespace pv
