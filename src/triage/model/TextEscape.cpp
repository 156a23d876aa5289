#include "triage/model/TextEscape.h"

#include "platform/Text.h"
#include "triage/model/TextTools.h"

#include <cstdint>

namespace pv::triage {
namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr char32_t Invalid = 0xFFFFFFFF;

// Decodes the code point at `pos` and advances past it; an invalid sequence yields Invalid and
// advances by one byte, so decoding always makes progress.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    char32_t cp = 0;
    const size_t length = Utf8SequenceAt(text, pos, cp);
    pos += length == 0 ? 1 : length;
    return length == 0 ? Invalid : cp;
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
