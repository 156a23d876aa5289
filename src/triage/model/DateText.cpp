#include "triage/model/DateText.h"
#include "platform/Calendar.h"
#include "triage/model/TextTools.h"
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace pv::triage {

namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr long long kMsPerDay = 86400000;
// 1 January 1900 and 31 December 9999 as day numbers.
constexpr double kFirstDay = 2;
constexpr double kLastDay = 2958466;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\xA0';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Reads 1..maxDigits digits at pos; -1 when there is none.
int ReadNumber(std::string_view s, size_t& pos, size_t maxDigits, size_t* digits = nullptr) {
    int value = 0;
    size_t n = 0;
    while (pos < s.size() && IsDigit(s[pos]) && n < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++n;
    }
    if (pos < s.size() && IsDigit(s[pos])) {
        return -1; // more digits than any field may have
    }
    if (digits) {
        *digits = n;
    }
    return n == 0 ? -1 : value;
}

bool ValidDate(int y, int m, int d) {
    return y >= 1900 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

// "13:05:07", "1:05:07 PM", "13:05"; false when the text is anything else. `designator` tells
// whether AM or PM was written.
bool ReadTime(std::string_view s, LocalTime& t, bool* designator = nullptr) {
    s = TrimBlanks(s);
    size_t pos = 0;
    const int h = ReadNumber(s, pos, 2);
    if (h < 0 || pos >= s.size() || (s[pos] != ':' && s[pos] != '.')) {
        return false;
    }
    const char sep = s[pos++];
    const int m = ReadNumber(s, pos, 2);
    int sec = 0;
    if (m < 0) {
        return false;
    }
    if (pos < s.size() && s[pos] == sep) {
        ++pos;
        sec = ReadNumber(s, pos, 2);
        if (sec < 0) {
            return false;
        }
    }
    const std::string_view rest = TrimBlanks(s.substr(pos));
    int hour = h;
    if (!rest.empty()) {
        const bool am = EqualsNoCase(rest, "AM") || EqualsNoCase(rest, "A.M.");
        const bool pm = EqualsNoCase(rest, "PM") || EqualsNoCase(rest, "P.M.");
        if ((!am && !pm) || h < 1 || h > 12) {
            return false;
        }
        hour = h % 12 + (pm ? 12 : 0);
    }
    if (designator) {
        *designator = !rest.empty();
    }
    if (hour > 23 || m > 59 || sec > 59) {
        return false;
    }
    t.Hour = hour;
    t.Minute = m;
    t.Second = sec;
    return true;
}

} // namespace

DateConvention DateConventionOf(std::string_view tag) {
    struct Known {
        const char* Tag; // a full tag, or a language followed by "-" for all its countries
        DateConvention Convention;
    };
    static const Known kKnown[] = {
        {"en-US", {DateOrder::MonthDayYear, '/', true}}, {"de-", {DateOrder::DayMonthYear, '.'}},
        {"en-GB", {DateOrder::DayMonthYear, '/'}},       {"fr-FR", {DateOrder::DayMonthYear, '/'}},
        {"es-ES", {DateOrder::DayMonthYear, '/'}},       {"it-IT", {DateOrder::DayMonthYear, '/'}},
        {"ru-RU", {DateOrder::DayMonthYear, '.'}},       {"pl-PL", {DateOrder::DayMonthYear, '.'}},
        {"ja-JP", {DateOrder::YearMonthDay, '/'}},       {"zh-CN", {DateOrder::YearMonthDay, '/'}},
    };
    tag = TrimBlanks(tag);
    for (const Known& k : kKnown) {
        const std::string_view key = k.Tag;
        if (key.back() == '-' ? tag.size() > key.size() && StartsWithNoCase(tag, key)
                              : EqualsNoCase(tag, key)) {
            return k.Convention;
        }
    }
    return {};
}

std::optional<LocalTime> ReadLocaleDateTime(std::string_view text, std::string_view localeTag) {
    text = TrimBlanks(text);
    size_t pos = 0;
    int fields[3] = {};
    size_t digits[3] = {};
    char sep = 0;
    for (int i = 0; i < 3; ++i) {
        fields[i] = ReadNumber(text, pos, 4, &digits[i]);
        if (fields[i] < 0) {
            return std::nullopt;
        }
        if (i < 2) {
            if (pos >= text.size() || (text[pos] != '/' && text[pos] != '.' && text[pos] != '-')) {
                return std::nullopt;
            }
            if (sep != 0 && text[pos] != sep) {
                return std::nullopt;
            }
            sep = text[pos++];
        }
    }
    if (pos < text.size() && !IsBlank(text[pos])) {
        return std::nullopt;
    }

    LocalTime t;
    bool designator = false;
    const std::string_view rest = TrimBlanks(text.substr(pos));
    if (!rest.empty() && !ReadTime(rest, t, &designator)) {
        return std::nullopt;
    }

    DateOrder order = DateOrder::Unknown;
    const DateConvention convention = DateConventionOf(localeTag);
    const bool fitsConvention =
        convention.Order != DateOrder::Unknown && convention.Order != DateOrder::YearMonthDay &&
        convention.Separator == sep && (rest.empty() || designator == convention.TwelveHour);
    if (digits[0] == 4) {
        order = DateOrder::YearMonthDay;
    } else if (digits[2] != 4) {
        return std::nullopt; // two-digit years would need a guess at the century
    } else if (fitsConvention) {
        order = convention.Order;
    } else if (fields[0] > 12 && fields[1] <= 12) {
        order = DateOrder::DayMonthYear;
    } else if (fields[1] > 12 && fields[0] <= 12) {
        order = DateOrder::MonthDayYear;
    } else if (fields[0] == fields[1]) {
        order = DateOrder::DayMonthYear; // both readings give the same date
    } else {
        return std::nullopt;
    }

    switch (order) {
    case DateOrder::YearMonthDay:
        t.Year = fields[0];
        t.Month = fields[1];
        t.Day = fields[2];
        break;
    case DateOrder::MonthDayYear:
        t.Year = fields[2];
        t.Month = fields[0];
        t.Day = fields[1];
        break;
    default:
        t.Year = fields[2];
        t.Month = fields[1];
        t.Day = fields[0];
        break;
    }
    if (!ValidDate(t.Year, t.Month, t.Day)) {
        return std::nullopt;
    }
    return t;
}

std::optional<double> ReadGeneralNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 40) {
        return std::nullopt;
    }
    std::string plain;
    size_t pos = 0;
    if (text[pos] == '-' || text[pos] == '+') {
        plain += text[pos++];
    }
    size_t mantissaDigits = 0;
    bool point = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (IsDigit(c)) {
            plain += c;
            ++mantissaDigits;
        } else if ((c == '.' || c == ',') && !point) {
            plain += '.';
            point = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        plain += 'e';
        ++pos;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
            plain += text[pos++];
        }
        size_t expDigits = 0;
        for (; pos < text.size() && IsDigit(text[pos]) && expDigits < 4; ++pos, ++expDigits) {
            plain += text[pos];
        }
        if (expDigits == 0) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    double value = 0;
    if (std::sscanf(plain.c_str(), "%lf", &value) != 1 || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<LocalTime> FromDateTimeValue(double value) {
    if (!(value >= kFirstDay && value < kLastDay)) {
        return std::nullopt;
    }
    const long long total = std::llround(value * static_cast<double>(kMsPerDay));
    const CivilDate d = CivilFromDayNumber(total / kMsPerDay);
    const long long ms = total % kMsPerDay;
    LocalTime t{d.Year, d.Month, d.Day, 0, 0, 0};
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    return t;
}

std::optional<LocalTime> ReadLogTimestamp(std::string_view text) {
    text = TrimBlanks(text);
    size_t pos = 0;
    LocalTime t;
    size_t n = 0;
    t.Year = ReadNumber(text, pos, 4, &n);
    if (n != 4 || pos >= text.size() || text[pos++] != '/') {
        return std::nullopt;
    }
    t.Month = ReadNumber(text, pos, 2);
    if (pos >= text.size() || text[pos++] != '/') {
        return std::nullopt;
    }
    t.Day = ReadNumber(text, pos, 2);
    if (!ValidDate(t.Year, t.Month, t.Day) || pos >= text.size() || !IsBlank(text[pos])) {
        return std::nullopt;
    }
    std::string_view time = TrimBlanks(text.substr(pos));
    const size_t dot = time.find('.');
    if (dot != std::string_view::npos) {
        const std::string_view ms = time.substr(dot + 1);
        if (ms.empty() || ms.size() > 3 ||
            ms.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        time = time.substr(0, dot);
    }
    if (time.size() != 8 || !ReadTime(time, t)) {
        return std::nullopt;
    }
    return t;
}

long long DayNumberOf(const LocalTime& t) {
    return DayNumberFromCivil(t.Year, t.Month, t.Day);
}

long long SecondsOf(const LocalTime& t) {
    return DayNumberOf(t) * kSecondsPerDay + t.Hour * 3600LL + t.Minute * 60LL + t.Second;
}

LocalTime FromUnixSeconds(long long seconds) {
    long long day = seconds / kSecondsPerDay;
    long long rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --day;
    }
    const CivilDate d = CivilFromDayNumber(day + kUnixEpochDay);
    return {d.Year,
            d.Month,
            d.Day,
            static_cast<int>(rest / 3600),
            static_cast<int>(rest / 60 % 60),
            static_cast<int>(rest % 60)};
}

std::string FormatLocalTime(const LocalTime& t) {
    char buf[48];
    if (t.Hour == 0 && t.Minute == 0 && t.Second == 0) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.Year, t.Month, t.Day);
    } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                      t.Hour, t.Minute, t.Second);
    }
    return buf;
}

} // namespace pv::triage
