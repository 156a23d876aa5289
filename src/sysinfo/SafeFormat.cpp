// Printf-like formatting in the product's own manner, and the byte-size text built on it.
#include "sysinfo/AppFuncs.h"

#include "platform/Text.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace pv {

namespace {

struct FormatError {};

std::u16string Widen(const std::string& s) {
    return FromAscii(s);
}

// Decimal digits of |value| rounded half away from zero to `decimals` places, from its 18
// significant digits (the precision the product's own float-to-text conversion works with).
std::string FixedDigits(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(value));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            digits += *p;
        }
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    // digits d0 d1 ... stand for d0.d1d2... x 10^exponent.
    const int intDigits = exponent + 1;
    const int kept = intDigits + decimals;
    std::string result; // all digits of the rounded number, scaled by 10^decimals
    if (kept < 0) {
        result = "0";
    } else {
        std::string head = digits.substr(0, static_cast<size_t>(std::min<int>(kept, 18)));
        while (static_cast<int>(head.size()) < kept) {
            head += '0';
        }
        const bool roundUp = kept < 18 && digits[static_cast<size_t>(kept)] >= '5';
        if (roundUp) {
            int i = static_cast<int>(head.size()) - 1;
            for (; i >= 0; --i) {
                if (head[static_cast<size_t>(i)] == '9') {
                    head[static_cast<size_t>(i)] = '0';
                } else {
                    ++head[static_cast<size_t>(i)];
                    break;
                }
            }
            if (i < 0) {
                head.insert(head.begin(), '1');
            }
        }
        result = head.empty() ? "0" : head;
    }
    while (static_cast<int>(result.size()) < decimals + 1) {
        result.insert(result.begin(), '0');
    }
    // Strip leading zeros of the integer part, keeping one.
    const size_t intLen = result.size() - static_cast<size_t>(decimals);
    size_t lead = 0;
    while (lead + 1 < intLen && result[lead] == '0') {
        ++lead;
    }
    return result.substr(lead);
}

bool AllZero(const std::string& s) {
    return s.find_first_not_of('0') == std::string::npos;
}

std::u16string FixedText(double value, int decimals, const NumberSeparators& sep, bool grouped) {
    if (std::isnan(value) || std::isinf(value)) {
        return std::isnan(value) ? u"NAN" : (value < 0 ? u"-INF" : u"INF");
    }
    const std::string digits = FixedDigits(value, decimals);
    const size_t intLen = digits.size() - static_cast<size_t>(decimals);
    std::u16string out;
    if (value < 0 && !AllZero(digits)) {
        out += u'-';
    }
    for (size_t i = 0; i < intLen; ++i) {
        if (grouped && i > 0 && (intLen - i) % 3 == 0 && sep.Thousand != 0) {
            out += sep.Thousand;
        }
        out += static_cast<char16_t>(digits[i]);
    }
    if (decimals > 0) {
        out += sep.Decimal;
        for (size_t i = intLen; i < digits.size(); ++i) {
            out += static_cast<char16_t>(digits[i]);
        }
    }
    return out;
}

std::u16string ExponentText(double value, int precision, const NumberSeparators& sep) {
    if (precision < 1) {
        precision = 1;
    } else if (precision > 18) {
        precision = 18;
    }
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.*E", precision - 1, value);
    std::string s(buf);
    const size_t e = s.find('E');
    if (e != std::string::npos) {
        const char sign = s[e + 1];
        std::string exp = s.substr(e + 2);
        while (exp.size() < 3) {
            exp.insert(exp.begin(), '0');
        }
        s = s.substr(0, e) + "E" + sign + exp;
    }
    std::u16string out = Widen(s);
    for (auto& c : out) {
        if (c == u'.') {
            c = sep.Decimal;
        }
    }
    return out;
}

std::u16string GeneralText(double value, int precision, const NumberSeparators& sep) {
    if (precision < 1 || precision > 18) {
        precision = 15;
    }
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.*G", precision, value);
    std::u16string out = Widen(buf);
    for (auto& c : out) {
        if (c == u'.') {
            c = sep.Decimal;
        }
    }
    return out;
}

std::u16string IntegerText(long long value, int precision) {
    const bool negative = value < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value);
    std::u16string digits = FromAscii(std::to_string(magnitude));
    while (static_cast<int>(digits.size()) < precision) {
        digits.insert(digits.begin(), u'0');
    }
    return negative ? u"-" + digits : digits;
}

std::u16string HexText(long long value, int precision) {
    // Values that fit a 32-bit integer are shown as 32-bit two's complement.
    unsigned long long bits = static_cast<unsigned long long>(value);
    if (value >= INT32_MIN && value <= INT32_MAX) {
        bits &= 0xFFFFFFFFULL;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llX", bits);
    std::u16string digits = FromAscii(buf);
    while (static_cast<int>(digits.size()) < precision) {
        digits.insert(digits.begin(), u'0');
    }
    return digits;
}

std::u16string FormatOrThrow(std::u16string_view pattern, std::initializer_list<FormatArg> argList,
                             const NumberSeparators& sep) {
    const std::vector<const FormatArg*> args = [&] {
        std::vector<const FormatArg*> v;
        for (const auto& a : argList) {
            v.push_back(&a);
        }
        return v;
    }();
    size_t next = 0;
    auto takeInt = [&]() -> long long {
        if (next >= args.size()) {
            throw FormatError{};
        }
        const auto* v = std::get_if<long long>(&args[next++]->Value());
        if (!v) {
            throw FormatError{};
        }
        return *v;
    };
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };

    std::u16string out;
    size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i++];
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i >= pattern.size()) {
            throw FormatError{};
        }
        if (pattern[i] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // Optional number or "*": an index when followed by ":", otherwise the width.
        auto readNumber = [&]() -> std::optional<long long> {
            if (i < pattern.size() && pattern[i] == u'*') {
                ++i;
                return takeInt();
            }
            if (i < pattern.size() && isDigit(pattern[i])) {
                long long n = 0;
                while (i < pattern.size() && isDigit(pattern[i])) {
                    n = n * 10 + (pattern[i++] - u'0');
                    if (n > 100000) {
                        throw FormatError{};
                    }
                }
                return n;
            }
            return std::nullopt;
        };
        // Plain value and flag rather than an optional: GCC 12 misreports an optional read below.
        bool hasWidth = false;
        long long width = 0;
        if (const auto n = readNumber()) {
            hasWidth = true;
            width = *n;
        }
        if (hasWidth && i < pattern.size() && pattern[i] == u':') {
            ++i;
            next = static_cast<size_t>(width);
            hasWidth = false;
            width = 0;
        }
        bool left = false;
        if (i < pattern.size() && pattern[i] == u'-') {
            left = true;
            ++i;
        }
        if (!hasWidth) {
            if (const auto n = readNumber()) {
                hasWidth = true;
                width = *n;
            }
        }
        std::optional<long long> precision;
        if (i < pattern.size() && pattern[i] == u'.') {
            ++i;
            precision = readNumber();
            if (!precision) {
                precision = 0;
            }
        }
        if (i >= pattern.size()) {
            throw FormatError{};
        }
        const char16_t type = static_cast<char16_t>(UpperAscii(pattern[i++]));
        if (next >= args.size()) {
            throw FormatError{};
        }
        const auto& value = args[next++]->Value();
        const long long* asInt = std::get_if<long long>(&value);
        const double* asFloat = std::get_if<double>(&value);
        const std::u16string* asText = std::get_if<std::u16string>(&value);
        const int prec = precision ? static_cast<int>(*precision) : -1;
        std::u16string piece;
        switch (type) {
        case u'D':
            if (!asInt) {
                throw FormatError{};
            }
            piece = IntegerText(*asInt, prec);
            break;
        case u'U':
            if (!asInt) {
                throw FormatError{};
            }
            piece = IntegerText(*asInt >= INT32_MIN && *asInt < 0
                                    ? static_cast<long long>(static_cast<uint32_t>(*asInt))
                                    : *asInt,
                                prec);
            break;
        case u'X':
            if (!asInt) {
                throw FormatError{};
            }
            piece = HexText(*asInt, prec);
            break;
        case u'P':
            if (!asInt) {
                throw FormatError{};
            }
            piece = HexText(*asInt, 8);
            break;
        case u'S':
            if (!asText) {
                throw FormatError{};
            }
            piece = prec >= 0 && static_cast<size_t>(prec) < asText->size()
                        ? asText->substr(0, static_cast<size_t>(prec))
                        : *asText;
            break;
        case u'F':
        case u'N':
        case u'M':
            if (!asFloat) {
                throw FormatError{};
            }
            piece = FixedText(*asFloat, prec >= 0 ? std::min(prec, 18) : 2, sep, type != u'F');
            break;
        case u'E':
            if (!asFloat) {
                throw FormatError{};
            }
            piece = ExponentText(*asFloat, prec >= 0 ? prec : 15, sep);
            break;
        case u'G':
            if (!asFloat) {
                throw FormatError{};
            }
            piece = GeneralText(*asFloat, prec, sep);
            break;
        default:
            throw FormatError{};
        }
        if (hasWidth && static_cast<long long>(piece.size()) < width) {
            const std::u16string pad(static_cast<size_t>(width) - piece.size(), u' ');
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
    }
    return out;
}

} // namespace

std::u16string SafeFormat(std::u16string_view pattern, std::initializer_list<FormatArg> args,
                          const NumberSeparators& separators) {
    try {
        return FormatOrThrow(pattern, args, separators);
    } catch (const FormatError&) {
        return std::u16string(pattern);
    }
}

std::u16string SafeFormat(std::u16string_view pattern, std::initializer_list<FormatArg> args) {
    return SafeFormat(pattern, args, UserNumberSeparators());
}

std::u16string FormatByteSize(int decimals, uint64_t size, const NumberSeparators& separators) {
    if (size < 1024) {
        return SafeFormat(u"%d B", {static_cast<long long>(size)}, separators);
    }
    const std::u16string pattern = u"%." + ToText(decimals);
    const double value = static_cast<double>(size);
    if (size < 1048576) {
        return SafeFormat(pattern + u"n KB", {value / 1024}, separators);
    }
    if (size < 1073741824) {
        return SafeFormat(pattern + u"n MB", {value / 1048576}, separators);
    }
    return SafeFormat(pattern + u"n GB", {value / 1073741824}, separators);
}

std::u16string FormatByteSize(int decimals, uint64_t size) {
    return FormatByteSize(decimals, size, UserNumberSeparators());
}

#ifndef _WIN32
const NumberSeparators& UserNumberSeparators() {
    static const NumberSeparators separators;
    return separators;
}
#endif

} // namespace pv
