#include "triage/model/TextTools.h"
#include <limits>

namespace pv::triage {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\0';
}

} // namespace

std::string_view TrimText(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsTrimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) {
        return std::string_view::npos;
    }
    for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string LowerText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

std::optional<long long> ReadInteger(std::string_view text) {
    text = TrimText(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    unsigned long long value = 0;
    constexpr unsigned long long kMax = std::numeric_limits<long long>::max();
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<unsigned long long>(c - '0');
        if (value > (kMax - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    const auto signedValue = static_cast<long long>(value);
    return negative ? -signedValue : signedValue;
}

std::string NormalMemberName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

} // namespace pv::triage
