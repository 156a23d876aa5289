// Date-time values: days since 30 December 1899, the time of day as the fraction.
#include "sysinfo/AppFuncs.h"

#include <cmath>

namespace pv {

namespace {

constexpr double kMsPerDay = 86400000.0;

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DayOfYear(int y, int m, int d) {
    static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[(m - 1) % 12] + d + (m > 2 && IsLeap(y) ? 1 : 0);
}

} // namespace

double EncodeDateTime(const CalendarTime& t) {
    const long long y = t.Year - 1;
    const long long days =
        365 * y + y / 4 - y / 100 + y / 400 + DayOfYear(t.Year, t.Month, t.Day) - 693594;
    const double ms = t.Hour * 3600000.0 + t.Minute * 60000.0 + t.Second * 1000.0 + t.Millisecond;
    return static_cast<double>(days) + ms / kMsPerDay;
}

CalendarTime DecodeDateTime(double value) {
    CalendarTime t;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return t;
    }
    // Whole milliseconds since the epoch, rounded; times before it count back from midnight.
    const long long totalMs = std::llround(value * kMsPerDay);
    long long days = totalMs / 86400000;
    long long msOfDay = totalMs % 86400000;
    if (msOfDay < 0) {
        msOfDay = -msOfDay; // negative values keep the fraction as a time of day
    }
    t.Hour = static_cast<int>(msOfDay / 3600000);
    t.Minute = static_cast<int>(msOfDay / 60000 % 60);
    t.Second = static_cast<int>(msOfDay / 1000 % 60);
    t.Millisecond = static_cast<int>(msOfDay % 1000);
    // Civil date from days since 1 January 1 (day 1 = 0001-01-01 is 693594 days before the epoch).
    long long n = days + 693593; // days since 0001-01-01
    if (n < 0) {
        return CalendarTime{};
    }
    const long long d400 = 146097, d100 = 36524, d4 = 1461;
    long long y = 1;
    y += 400 * (n / d400);
    n %= d400;
    long long c = n / d100;
    if (c == 4) {
        c = 3;
    }
    y += 100 * c;
    n -= c * d100;
    y += 4 * (n / d4);
    n %= d4;
    long long a = n / 365;
    if (a == 4) {
        a = 3;
    }
    y += a;
    n -= a * 365;
    t.Year = static_cast<int>(y);
    static const int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    for (; month < 12; ++month) {
        const int len = kLengths[month] + (month == 1 && IsLeap(t.Year) ? 1 : 0);
        if (n < len) {
            break;
        }
        n -= len;
    }
    t.Month = month + 1;
    t.Day = static_cast<int>(n) + 1;
    return t;
}

std::u16string JoinDateTimeText(double value, const std::u16string& dateText,
                                const std::u16string& timeText) {
    const CalendarTime t = DecodeDateTime(value);
    if (t.Hour == 0 && t.Minute == 0 && t.Second == 0 && t.Millisecond == 0) {
        return dateText;
    }
    return dateText + u" " + timeText;
}

} // namespace pv
