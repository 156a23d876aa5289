#include "controls/RdFont.h"

namespace pv {

int FontHeightFromPoints(int points) {
    // MulDiv rounding, as the platform converts points to pixels.
    const long long scaled = static_cast<long long>(points) * kDesignPixelsPerInch;
    const long long rounded = scaled >= 0 ? (scaled + 36) / 72 : (scaled - 36) / 72;
    return static_cast<int>(-rounded);
}

int FontPointsFromHeight(int height) {
    const long long scaled = static_cast<long long>(-height) * 72;
    const long long rounded =
        scaled >= 0 ? (scaled + 48) / kDesignPixelsPerInch : (scaled - 48) / kDesignPixelsPerInch;
    return static_cast<int>(rounded);
}

void TRdFont::Changed(const TFontData& before) {
    if (!(before == data_) && OnChange) {
        OnChange();
    }
}

void TRdFont::SetName(const std::u16string& name) {
    SetField(&TFontData::Name, name);
}

void TRdFont::SetHeight(int height) {
    SetField(&TFontData::Height, height);
}

void TRdFont::SetColor(TColor color) {
    SetField(&TFontData::Color, color);
}

void TRdFont::SetStyle(TFontStyles style) {
    SetField(&TFontData::Style, style);
}

void TRdFont::SetCharset(uint8_t charset) {
    SetField(&TFontData::Charset, charset);
}

void TRdFont::Assign(const TFontData& data) {
    const TFontData before = data_;
    data_ = data;
    Changed(before);
}

void TRdFont::ParentChanged(const TFontData& parent) {
    const TFontData before = data_;
    if (data_.Color == parent_.Color) {
        data_.Color = parent.Color;
    }
    if (data_.Height == parent_.Height) {
        data_.Height = parent.Height;
    }
    if (data_.Name == parent_.Name) {
        data_.Name = parent.Name;
    }
    if (data_.Style == parent_.Style) {
        data_.Style = parent.Style;
    }
    if (data_.Charset == parent_.Charset) {
        data_.Charset = parent.Charset;
    }
    parent_ = parent;
    Changed(before);
}

} // namespace pv
