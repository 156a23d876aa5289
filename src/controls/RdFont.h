#pragma once
// Font description of the label controls and TRdFont, a font that follows a parent font for every
// property it has not changed itself.
#include "controls/Colors.h"
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace pv {

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

constexpr int kDesignPixelsPerInch = 96;
// Height in pixels (negative: character height without internal leading) for a size in points.
int FontHeightFromPoints(int points);
int FontPointsFromHeight(int height);

struct TFontData {
    std::u16string Name = u"Tahoma";
    int Height = -11;
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    uint8_t Charset = 1; // DEFAULT_CHARSET
    bool operator==(const TFontData&) const = default;
};

class TRdFont {
public:
    TRdFont() = default;
    explicit TRdFont(const TFontData& data) : data_(data), parent_(data) {}

    const TFontData& Data() const { return data_; }
    const std::u16string& Name() const { return data_.Name; }
    int Height() const { return data_.Height; }
    int Size() const { return FontPointsFromHeight(data_.Height); }
    TColor Color() const { return data_.Color; }
    TFontStyles Style() const { return data_.Style; }
    uint8_t Charset() const { return data_.Charset; }

    void SetName(const std::u16string& name);
    void SetHeight(int height);
    void SetSize(int points) { SetHeight(FontHeightFromPoints(points)); }
    void SetColor(TColor color);
    void SetStyle(TFontStyles style);
    void SetCharset(uint8_t charset);
    void Assign(const TFontData& data);

    // Takes the parent as it stands now, without touching this font's own values.
    void RememberParent(const TFontData& parent) { parent_ = parent; }
    // The parent changed: every property still equal to the remembered parent value takes the
    // parent's new value; then the new parent values are remembered.
    void ParentChanged(const TFontData& parent);

    // A property is written to a form file only when it differs from the parent's.
    bool IsNameStored() const { return data_.Name != parent_.Name; }
    bool IsHeightStored() const { return data_.Height != parent_.Height; }
    bool IsColorStored() const { return data_.Color != parent_.Color; }
    bool IsStyleStored() const { return data_.Style != parent_.Style; }
    bool IsCharsetStored() const { return data_.Charset != parent_.Charset; }

    // Called after every change of the font's values.
    std::function<void()> OnChange;

private:
    void Changed(const TFontData& before);
    // Sets one field and tells OnChange when the data changed.
    template <typename Field, typename Value> void SetField(Field TFontData::*field, Value value) {
        const TFontData before = data_;
        data_.*field = std::move(value);
        Changed(before);
    }

    TFontData data_;
    TFontData parent_;
};

} // namespace pv
