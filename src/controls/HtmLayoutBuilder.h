// Internal to the mark-up layout: the builder that turns tags and text runs into lines.
#pragma once
#include "controls/HtmLayout.h"
#include "controls/MarkupReader.h"
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pv::htm {

inline int ClampInt(long long v, int lo, int hi) {
    return static_cast<int>(std::min<long long>(std::max<long long>(v, lo), hi));
}

struct ListState {
    bool Ordered = false;
    int Counter = 0;
    std::u16string Type;
};

// One layout pass: feed it the text once through Run; it writes into `out` as it goes.
class LayoutBuilder {
public:
    LayoutBuilder(ICanvas& canvas, const TLayoutOptions& options,
                  const std::vector<TLinkStyle>& links, int hoverIndex, THtmLayout& out);

    void Run(std::u16string_view text, const TFontData& font);

    void SetAccelerators(bool on) { accelerators_ = on; }

private:
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

    // ---- tags (HtmLayoutTags.cpp) ----
    void Tag(const TMarkupToken& t);
    void SetStyleBit(TFontStyles bit, bool on);
    void PopStyle(std::vector<TRunStyle>& stack, bool fontColor);
    void OpenAnchor(const std::u16string& tag);
    void CloseAnchor();
    void OpenFont(const std::u16string& tag);
    void CloseFont();
    void OpenParagraph(const std::u16string& tag);
    void CloseParagraph();
    void ListItem(const std::u16string& tag);
    int CurrentIndent() const;

    // ---- text runs and lines (HtmLayoutLines.cpp) ----
    void AddRun(std::u16string_view run);
    int Extent(size_t end) const;
    int WidthOf(size_t from, size_t to) const;
    static bool IsBlank(char16_t c);
    // Characters from `pos` that fit in `avail` pixels, breaking only after whole words (the
    // blanks after the last word are taken along). Leading blanks alone count only when the line
    // already holds text.
    size_t FitWords(const std::u16string& s, size_t pos, int avail, bool lineEmpty) const;
    size_t FitChars(const std::u16string& s, size_t pos, int avail) const;
    size_t FirstWord(const std::u16string& s, size_t pos) const;
    bool LineLimitReached() const;
    void PlaceRun(const std::u16string& s, const std::vector<bool>& marked);
    void AddPiece(const std::u16string& s, const std::vector<bool>& marked, size_t from, size_t to);
    int HeightOf(const TFontData& font);
    void EndLineIfUsed();
    void FinishLine();
    // Alignment, vertical layout and visibility, once every line is known.
    void Place();

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
};

} // namespace pv::htm
