#include "controls/Colors.h"
#include "platform/Text.h"

namespace pv {

namespace {

struct NamedColor {
    std::u16string_view name;
    TColor value;
};

constexpr NamedColor kColorNames[] = {
    {u"clred", 0x0000FF},
    {u"clblack", 0x000000},
    {u"clblue", 0xFF0000},
    {u"clgreen", 0x008000},
    {u"claqua", 0xFFFF00},
    {u"clyellow", 0x00FFFF},
    {u"clfuchsia", 0xFF00FF},
    {u"clwhite", 0xFFFFFF},
    {u"cllime", 0x00FF00},
    {u"clsilver", 0xC0C0C0},
    {u"clgray", 0x808080},
    {u"clolive", 0x008080},
    {u"clnavy", 0x800000},
    {u"clpurple", 0x800080},
    {u"clteal", 0x808000},
    {u"clmaroon", 0x000080},
    {u"clbackground", SystemColor(1)},
    {u"clactivecaption", SystemColor(2)},
    {u"clinactivecaption", SystemColor(3)},
    {u"clmenu", SystemColor(4)},
    {u"clwindow", SystemColor(5)},
    {u"clwindowframe", SystemColor(6)},
    {u"clmenutext", SystemColor(7)},
    {u"clwindowtext", SystemColor(8)},
    {u"clcaptiontext", SystemColor(9)},
    {u"clactiveborder", SystemColor(10)},
    {u"clinactiveborder", SystemColor(11)},
    {u"clappworkspace", SystemColor(12)},
    {u"clhighlight", SystemColor(13)},
    {u"clhighlighttext", SystemColor(14)},
    {u"clbtnface", SystemColor(15)},
    {u"clbtnshadow", SystemColor(16)},
    {u"clgraytext", SystemColor(17)},
    {u"clbtntext", SystemColor(18)},
    {u"clinactivecaptiontext", SystemColor(19)},
    {u"clbtnhighlight", SystemColor(20)},
    {u"cl3ddkshadow", SystemColor(21)},
    {u"cl3dlight", SystemColor(22)},
    {u"clinfotext", SystemColor(23)},
    {u"clinfobk", SystemColor(24)},
};

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

} // namespace

TColor ColorFromName(std::u16string_view name) {
    const std::u16string lower = LowerAscii(name);
    for (const auto& entry : kColorNames) {
        if (entry.name == lower) {
            return entry.value;
        }
    }
    return clBlack;
}

TColor ParseColorValue(std::u16string_view value) {
    if (value.empty() || (value[0] != u'#' && value[0] != u'$')) {
        return ColorFromName(value);
    }
    if (value.size() < 7) {
        return clBlack;
    }
    int digits[6];
    for (size_t i = 0; i < 6; ++i) {
        digits[i] = HexDigit(value[i + 1]);
        if (digits[i] < 0) {
            return clBlack;
        }
    }
    const int r = digits[0] * 16 + digits[1];
    const int g = digits[2] * 16 + digits[3];
    const int b = digits[4] * 16 + digits[5];
    return static_cast<TColor>((b << 16) | (g << 8) | r);
}

} // namespace pv
