#pragma once
// The label canvas on a GDI device context: fonts made from TFontData, system colours resolved
// through GetSysColor, text measured by the advances its glyphs are drawn with and drawn with
// DrawTextExW.
#include "controls/Canvas.h"
#include "platform/win32/Handles.h"
#include <windows.h>
#include <utility>
#include <vector>

namespace pv {

// clNone and plain colours pass through (clNone as black); system colours are looked up.
COLORREF ResolveColor(TColor color);

class TGdiCanvas : public ICanvas {
public:
    // Does not own `dc`; the DC's original font is selected back when the canvas goes.
    explicit TGdiCanvas(HDC dc);
    ~TGdiCanvas() override;
    TGdiCanvas(const TGdiCanvas&) = delete;
    TGdiCanvas& operator=(const TGdiCanvas&) = delete;

    void SetFont(const TFontData& font) override;
    void SetTextColor(TColor color) override;
    // Sums the drawn advance of each glyph, so that a run measured here is drawn exactly that
    // wide; a glyph that cannot be asked counts 0.
    void MeasureExtents(std::u16string_view text, std::vector<int>& ends) override;
    // 0 on failure.
    int TextHeight(std::u16string_view text) override;
    void DrawRun(const TRect& clip, int x, int y, std::u16string_view text,
                 const TTextFlags& flags) override;
    void FillRect(const TRect& rect, TColor color) override;
    void DrawLine(int x1, int y1, int x2, int y2, TColor color) override;

private:
    HFONT FontFor(const TFontData& font);
    // The extent of a surrogate pair in the DC's font; 0 on failure.
    int PairAdvance(std::u16string_view pair);

    HDC dc_;
    HGDIOBJ originalFont_ = nullptr;
    TColor textColor_ = clWindowText;
    TFontData currentFont_;
    bool fontKnown_ = false;
    std::vector<std::pair<TFontData, UniqueGdiObject>> fonts_;
};

} // namespace pv
