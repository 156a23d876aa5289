// Prints what GDI makes of the label's font in this prefix: the face a Tahoma -11 request
// resolves to, the height of its line sample, and, per printable ASCII character, the advance the
// rasteriser draws (the glyph bitmap's cell advance) beside the advance the text-extent query
// reports, for the regular and the bold weight. The Wine harness checks the face; the advances feed
// the layout's native tests.
#include <windows.h>
#include <cstdio>

namespace {

HFONT MakeFont(int weight) {
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(lf.lfFaceName, L"Tahoma");
    return CreateFontIndirectW(&lf);
}

} // namespace

int main() {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        std::printf("error: no device context\n");
        return 1;
    }
    const int weights[] = {FW_NORMAL, FW_BOLD};
    for (int weight : weights) {
        HFONT font = MakeFont(weight);
        HGDIOBJ old = SelectObject(dc, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        std::printf("face %d %ls\n", weight, face);
        SIZE line{};
        GetTextExtentPoint32W(dc, L"`ghj_", 5, &line);
        std::printf("height %d %d\n", weight, static_cast<int>(line.cy));
        const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        for (wchar_t c = 0x20; c < 0x7F; ++c) {
            GLYPHMETRICS gm{};
            int drawn = -1;
            if (GetGlyphOutlineW(dc, c, GGO_BITMAP, &gm, 0, nullptr, &identity) != GDI_ERROR) {
                drawn = gm.gmCellIncX;
            }
            SIZE size{};
            GetTextExtentPoint32W(dc, &c, 1, &size);
            std::printf("advance %d %d %d %d\n", weight, static_cast<int>(c), drawn,
                        static_cast<int>(size.cx));
        }
        SelectObject(dc, old);
        DeleteObject(font);
    }
    DeleteDC(dc);
    return 0;
}
