#pragma once
// Small UTF-8 text helpers the parsers share; ASCII case folding only.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pv::triage {

// Blanks, tabs, CR and NUL removed from both ends.
std::string_view TrimText(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of `needle` in `text` ignoring ASCII case, or npos.
size_t FindNoCase(std::string_view text, std::string_view needle);
std::string LowerText(std::string_view text);
// A decimal integer (optional sign), the whole text; empty on anything else or overflow.
std::optional<long long> ReadInteger(std::string_view text);
// The member name with "\" turned into "/", for comparisons.
std::string NormalMemberName(std::string_view name);

// Length of the valid UTF-8 sequence at `i` (which must be inside `bytes`) and its code point;
// 0 for a bad, overlong, surrogate or cut-off sequence. Inline: decoders call it per code point.
inline size_t Utf8SequenceAt(std::string_view bytes, size_t i, char32_t& cp) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    size_t len = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) {
        len = 2;
        cp = b & 0x1Fu;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        cp = b & 0x0Fu;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        cp = b & 0x07u;
        min = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < len) {
        return 0;
    }
    for (size_t k = 1; k < len; ++k) {
        const auto c = static_cast<uint8_t>(bytes[i + k]);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

} // namespace pv::triage
