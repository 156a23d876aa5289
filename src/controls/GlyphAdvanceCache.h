#pragma once
// Advances of single code units per font, asked of the platform once and then remembered: the
// label lays out and hit-tests its text on every paint and pointer move.
#include "controls/RdFont.h"
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pv {

class TGlyphAdvanceCache {
public:
    // The advance of `c` in `font`; `query` is called when it is not known yet. Fonts are told
    // apart by every property but the colour. Beyond kFonts fonts the oldest is forgotten.
    int Advance(const TFontData& font, char16_t c, const std::function<int(char16_t)>& query);

    static constexpr size_t kFonts = 16;

private:
    std::vector<std::pair<TFontData, std::unordered_map<char16_t, int>>> fonts_;
};

} // namespace pv
