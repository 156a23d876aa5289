#include "controls/GlyphAdvanceCache.h"

namespace pv {

int TGlyphAdvanceCache::Advance(const TFontData& font, char16_t c,
                                const std::function<int(char16_t)>& query) {
    TFontData key = font;
    key.Color = 0;
    auto entry = fonts_.begin();
    while (entry != fonts_.end() && !(entry->first == key)) {
        ++entry;
    }
    if (entry == fonts_.end()) {
        if (fonts_.size() >= kFonts) {
            fonts_.erase(fonts_.begin());
        }
        fonts_.emplace_back(key, std::unordered_map<char16_t, int>{});
        entry = fonts_.end() - 1;
    }
    auto& advances = entry->second;
    if (auto found = advances.find(c); found != advances.end()) {
        return found->second;
    }
    const int advance = query(c);
    advances.emplace(c, advance);
    return advance;
}

} // namespace pv
