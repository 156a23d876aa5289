#include "platform/Text.h"

namespace pv {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHighSurrogate(cp) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            cp = b & 0x07;
        } else {
            len = 0;
        }
        bool ok = len != 0 && i + len <= text.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
            } else {
                cp = (cp << 6) | (c & 0x3F);
            }
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::u16string FromAscii(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
}

char16_t UpperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

std::u16string UpperAscii(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        c = UpperAscii(c);
    }
    return out;
}

std::u16string LowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = char16_t(c + 32);
        }
    }
    return out;
}

bool EqualsIgnoreCaseAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string Trim(std::u16string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && text[b] <= u' ') {
        ++b;
    }
    while (e > b && text[e - 1] <= u' ') {
        --e;
    }
    return std::u16string(text.substr(b, e - b));
}

std::u16string WithTrailingBackslash(std::u16string_view folder) {
    std::u16string out(folder);
    if (!out.empty() && out.back() != u'\\') {
        out += u'\\';
    }
    return out;
}

std::u16string FileNamePart(std::u16string_view path) {
    const size_t p = path.find_last_of(u"\\/:");
    return std::u16string(p == std::u16string_view::npos ? path : path.substr(p + 1));
}

std::u16string FolderPart(std::u16string_view path) {
    const size_t p = path.find_last_of(u"\\:");
    return p == std::u16string_view::npos ? std::u16string()
                                          : std::u16string(path.substr(0, p + 1));
}

std::u16string ExtensionPart(std::u16string_view path) {
    const size_t p = path.find_last_of(u"\\/:.");
    if (p == std::u16string_view::npos || path[p] != u'.') {
        return {};
    }
    return std::u16string(path.substr(p));
}

std::u16string ToText(long long value) {
    return FromAscii(std::to_string(value));
}

std::u16string HexDigits(unsigned long long value, int digits) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string text(static_cast<size_t>(digits > 0 ? digits : 0), u'0');
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        *it = kHex[value & 0xF];
        value >>= 4;
    }
    return text;
}

std::vector<std::u16string> ParseDelimitedList(std::u16string_view text) {
    constexpr char16_t kDelimiter = u',';
    constexpr char16_t kQuote = u'"';
    auto blank = [](char16_t c) { return c >= 1 && c <= u' '; };
    std::vector<std::u16string> items;
    // Text ends at its first NUL, as the product's own parse sees it.
    const size_t nul = text.find(u'\0');
    if (nul != std::u16string_view::npos) {
        text = text.substr(0, nul);
    }
    size_t p = 0;
    const size_t n = text.size();
    while (p < n && blank(text[p])) {
        ++p;
    }
    while (p < n) {
        std::u16string item;
        if (text[p] == kQuote) {
            ++p;
            while (p < n) {
                if (text[p] == kQuote) {
                    if (p + 1 < n && text[p + 1] == kQuote) {
                        item += kQuote;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const size_t start = p;
            while (p < n && text[p] > u' ' && text[p] != kDelimiter) {
                ++p;
            }
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        while (p < n && blank(text[p])) {
            ++p;
        }
        if (p < n && text[p] == kDelimiter) {
            if (p + 1 == n) {
                items.emplace_back();
            }
            do {
                ++p;
            } while (p < n && blank(text[p]));
        }
    }
    return items;
}

} // namespace pv
