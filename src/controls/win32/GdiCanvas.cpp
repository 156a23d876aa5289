#include "controls/win32/GdiCanvas.h"
#include "controls/GlyphAdvanceCache.h"
#include "platform/Text.h"
#include <algorithm>
#include <limits>

namespace pv {

namespace {

// More fonts than any label uses; beyond it the oldest is dropped.
constexpr size_t kFontCacheSize = 16;

int ClampedLength(std::u16string_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), std::numeric_limits<int>::max() / 4));
}

// The advance the rasteriser draws for one code unit in the DC's font. GetTextExtentExPointW and
// the character-width queries report the outline's advances, which Wine does not draw at sizes
// where the font carries glyph bitmaps; the bitmap glyph's cell advance is what both Wine and
// Windows draw. A glyph with no bitmap falls back to the measured extent.
int DrawnAdvance(HDC dc, char16_t c) {
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    if (::GetGlyphOutlineW(dc, c, GGO_BITMAP, &metrics, 0, nullptr, &identity) != GDI_ERROR) {
        return metrics.gmCellIncX;
    }
    const wchar_t unit = static_cast<wchar_t>(c);
    SIZE size{};
    return ::GetTextExtentPoint32W(dc, &unit, 1, &size) ? static_cast<int>(size.cx) : 0;
}

// Labels paint and hit-test on the UI thread; each thread keeps its own advances.
TGlyphAdvanceCache& Advances() {
    thread_local TGlyphAdvanceCache cache;
    return cache;
}

} // namespace

COLORREF ResolveColor(TColor color) {
    if (color == clNone) {
        return RGB(0, 0, 0);
    }
    if (IsSystemColor(color)) {
        return ::GetSysColor(SystemColorIndex(color));
    }
    return static_cast<COLORREF>(static_cast<uint32_t>(color) & 0x00FFFFFFu);
}

TGdiCanvas::TGdiCanvas(HDC dc) : dc_(dc) {
    originalFont_ = ::GetCurrentObject(dc_, OBJ_FONT);
    ::SetBkMode(dc_, TRANSPARENT);
}

TGdiCanvas::~TGdiCanvas() {
    if (originalFont_) {
        ::SelectObject(dc_, originalFont_);
    }
}

HFONT TGdiCanvas::FontFor(const TFontData& font) {
    for (const auto& [data, handle] : fonts_) {
        if (data == font) {
            return static_cast<HFONT>(handle.get());
        }
    }
    LOGFONTW lf{};
    lf.lfHeight = font.Height;
    lf.lfWeight = (font.Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.Style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (font.Style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (font.Style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = font.Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const size_t n = std::min<size_t>(font.Name.size(), LF_FACESIZE - 1);
    std::copy_n(font.Name.data(), n, reinterpret_cast<char16_t*>(lf.lfFaceName));
    UniqueGdiObject handle(::CreateFontIndirectW(&lf));
    if (!handle) {
        return nullptr;
    }
    if (fonts_.size() >= kFontCacheSize) {
        // The DC must not keep the font that is about to be deleted.
        ::SelectObject(dc_, originalFont_);
        fonts_.erase(fonts_.begin());
    }
    fonts_.emplace_back(font, std::move(handle));
    return static_cast<HFONT>(fonts_.back().second.get());
}

void TGdiCanvas::SetFont(const TFontData& font) {
    if (HFONT handle = FontFor(font)) {
        ::SelectObject(dc_, handle);
        currentFont_ = font;
        fontKnown_ = true;
    } else {
        fontKnown_ = false; // the DC keeps a font the cache cannot name
    }
}

void TGdiCanvas::SetTextColor(TColor color) {
    textColor_ = color;
}

void TGdiCanvas::MeasureExtents(std::u16string_view text, std::vector<int>& ends) {
    ends.assign(text.size(), 0);
    if (text.empty()) {
        return;
    }
    // Each code unit advances by what the rasteriser draws for it; a surrogate pair counts as
    // one glyph, placed at its second unit.
    long long x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ends[i] = static_cast<int>(x);
            ++i;
            x += PairAdvance(text.substr(i - 1, 2));
        } else {
            x += fontKnown_
                     ? Advances().Advance(currentFont_, c,
                                          [this](char16_t u) { return DrawnAdvance(dc_, u); })
                     : DrawnAdvance(dc_, c);
        }
        ends[i] = static_cast<int>(std::min<long long>(x, std::numeric_limits<int>::max()));
    }
}

int TGdiCanvas::PairAdvance(std::u16string_view pair) {
    SIZE size{};
    return ::GetTextExtentPoint32W(dc_, reinterpret_cast<const wchar_t*>(pair.data()), 2, &size)
               ? static_cast<int>(size.cx)
               : 0;
}

int TGdiCanvas::TextHeight(std::u16string_view text) {
    SIZE size{};
    if (!text.empty() && ::GetTextExtentPoint32W(dc_, reinterpret_cast<const wchar_t*>(text.data()),
                                                 ClampedLength(text), &size)) {
        return size.cy;
    }
    TEXTMETRICW tm{};
    return ::GetTextMetricsW(dc_, &tm) ? tm.tmHeight : 0;
}

void TGdiCanvas::DrawRun(const TRect& clip, int x, int y, std::u16string_view text,
                         const TTextFlags& flags) {
    if (text.empty() || clip.Right <= clip.Left || clip.Bottom <= clip.Top) {
        return;
    }
    std::u16string buffer(text);
    RECT rect{x, y, clip.Right, y + std::max(clip.Bottom - y, 0) + 1};
    UINT format = DT_SINGLELINE | DT_LEFT | DT_TOP;
    if (!flags.Accelerators) {
        format |= DT_NOPREFIX;
    }
    switch (flags.Ellipsis) {
    case TEllipsisPosition::End:
        format |= DT_END_ELLIPSIS;
        break;
    case TEllipsisPosition::Path:
        format |= DT_PATH_ELLIPSIS;
        break;
    case TEllipsisPosition::Word:
        format |= DT_WORD_ELLIPSIS;
        break;
    case TEllipsisPosition::None:
        break;
    }
    const int saved = ::SaveDC(dc_);
    ::IntersectClipRect(dc_, clip.Left, clip.Top, clip.Right, clip.Bottom);
    ::SetTextColor(dc_, ResolveColor(textColor_));
    ::SetBkMode(dc_, TRANSPARENT);
    ::DrawTextExW(dc_, W(buffer.data()), ClampedLength(buffer), &rect, format, nullptr);
    ::RestoreDC(dc_, saved);
}

void TGdiCanvas::FillRect(const TRect& rect, TColor color) {
    if (color == clNone || rect.Right <= rect.Left || rect.Bottom <= rect.Top) {
        return;
    }
    UniqueGdiObject brush(::CreateSolidBrush(ResolveColor(color)));
    if (!brush) {
        return;
    }
    const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    ::FillRect(dc_, &r, static_cast<HBRUSH>(brush.get()));
}

void TGdiCanvas::DrawLine(int x1, int y1, int x2, int y2, TColor color) {
    if (color == clNone) {
        return;
    }
    UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, ResolveColor(color)));
    if (!pen) {
        return;
    }
    HGDIOBJ old = ::SelectObject(dc_, pen.get());
    ::MoveToEx(dc_, x1, y1, nullptr);
    ::LineTo(dc_, x2, y2);
    ::SelectObject(dc_, old);
}

} // namespace pv
