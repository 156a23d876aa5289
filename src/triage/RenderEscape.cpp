#include "triage/RenderEscape.h"

#include "platform/Text.h"

#include <cstdint>

namespace pv::triage {
namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr char32_t Invalid = 0xFFFFFFFF;

// Decodes the code point at `pos` and advances past it; an invalid sequence yields Invalid and
// advances by one byte, so decoding always makes progress.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07u, minimum = 0x10000;
    } else {
        ++pos;
        return Invalid;
    }
    if (pos + length > text.size()) {
        ++pos;
        return Invalid;
    }
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return Invalid;
        }
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return Invalid;
    }
    pos += length;
    return cp;
}

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

bool IsBidiControl(char32_t cp) {
    return (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E ||
           cp == 0x200F || cp == 0x061C;
}

template <typename Emit> void ForEachCodePoint(std::string_view text, Emit&& emit) {
    size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = NextCodePoint(text, pos);
        emit(cp == Invalid ? Replacement : cp);
    }
}

} // namespace

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t cp) { AppendUtf8(out, cp); });
    return out;
}

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t cp) {
        if (IsControl(cp) || IsBidiControl(cp))
            out += '?';
        else
            AppendUtf8(out, cp);
    });
    return out;
}

std::string JsonString(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    ForEachCodePoint(text, [&](char32_t cp) {
        switch (cp) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
        }
        // Line and paragraph separators are valid JSON but end a line in JavaScript.
        if (cp < 0x20 || cp == 0x7F || cp == 0x2028 || cp == 0x2029) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += Hex[(cp >> shift) & 0xF];
            return;
        }
        AppendUtf8(out, cp);
    });
    out += '"';
    return out;
}

std::string HtmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t cp) {
        switch (cp) {
        case '&':
            out += "&amp;";
            return;
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += "&gt;";
            return;
        case '"':
            out += "&quot;";
            return;
        case '\'':
            out += "&#39;";
            return;
        default:
            break;
        }
        // HTML forbids most control characters; tab and line feed stay as white space.
        if (IsControl(cp) && cp != '\t' && cp != '\n')
            AppendUtf8(out, Replacement);
        else
            AppendUtf8(out, cp);
    });
    return out;
}

} // namespace pv::triage
