// Size texts of the system report ("%.2n GB": grouped, two decimals) and of the dump listing
// ("#.## MB": no grouping, up to two decimals).
#include "triage/parse/Parsers.h"
#include "triage/model/TextTools.h"
#include <cmath>

namespace pv::triage {

namespace {

std::optional<uint64_t> UnitBytes(std::string_view unit) {
    if (unit == "B" || EqualsNoCase(unit, "bytes")) {
        return 1;
    }
    if (unit == "KB") {
        return uint64_t{1} << 10;
    }
    if (unit == "MB") {
        return uint64_t{1} << 20;
    }
    if (unit == "GB") {
        return uint64_t{1} << 30;
    }
    if (unit == "TB") {
        return uint64_t{1} << 40;
    }
    return std::nullopt;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<uint64_t> ReadSizeText(std::string_view text) {
    text = TrimText(text);
    const size_t blank = text.rfind(' ');
    const std::string_view number =
        blank == std::string_view::npos ? std::string_view() : TrimText(text.substr(0, blank));
    const auto unit = UnitBytes(blank == std::string_view::npos ? text : text.substr(blank + 1));
    if (!unit) {
        return std::nullopt;
    }
    if (number.empty()) {
        // Zero bytes are written as the unit alone: " bytes".
        return EqualsNoCase(text, "bytes") ? std::optional<uint64_t>(0) : std::nullopt;
    }
    if (number.size() > 32 || !IsDigit(number.front()) || !IsDigit(number.back())) {
        return std::nullopt;
    }
    // One or two digits after a "." or "," make it the decimal separator; three digits make
    // whatever stands before them a thousands separator.
    size_t last = number.size();
    while (last > 0 && IsDigit(number[last - 1])) {
        --last;
    }
    std::string_view whole = number;
    std::string_view fraction;
    if (last > 0 && number.size() - last <= 2) {
        const char sep = number[last - 1];
        if ((sep != '.' && sep != ',') || last < 2 || !IsDigit(number[last - 2])) {
            return std::nullopt;
        }
        fraction = number.substr(last);
        whole = number.substr(0, last - 1);
    }
    double value = 0;
    size_t groupDigits = 0;
    for (const char c : whole) {
        if (IsDigit(c)) {
            value = value * 10 + (c - '0');
            ++groupDigits;
        } else if (groupDigits == 0 && static_cast<unsigned char>(c) < 0x80) {
            return std::nullopt; // two separators in a row (a multi-byte blank is one)
        } else {
            groupDigits = 0;
        }
    }
    double scale = 0.1;
    for (const char c : fraction) {
        value += (c - '0') * scale;
        scale /= 10;
    }
    const double bytes = std::round(value * static_cast<double>(*unit));
    if (!(bytes < 18446744073709551616.0)) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(bytes);
}

} // namespace pv::triage
