#pragma once
// Colour values of the label controls: 0x00BBGGRR for a plain colour, 0xFF0000nn for system
// colour nn, clNone for "paint nothing".
#include <cstdint>
#include <string_view>

namespace pv {

using TColor = int32_t;

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index & 0xFF));
}
constexpr bool IsSystemColor(TColor c) {
    return (static_cast<uint32_t>(c) & 0xFF000000u) == 0xFF000000u;
}
constexpr int SystemColorIndex(TColor c) {
    return static_cast<int>(static_cast<uint32_t>(c) & 0xFF);
}

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clHotLight = SystemColor(26);

// Looks a name up (case-insensitively) in the mark-up's colour-name table; unknown names give
// black.
TColor ColorFromName(std::u16string_view name);

// A mark-up colour value: "#RRGGBB" or "$RRGGBB" (hex pairs red, green, blue) or a table name.
// A hex value with fewer than six digits or a non-hex digit gives black, as an unknown name does.
TColor ParseColorValue(std::u16string_view value);

} // namespace pv
