// Date-time values: days since 30 December 1899, the time of day as the fraction.
#include "sysinfo/AppFuncs.h"
#include "platform/Calendar.h"

#include <cmath>

namespace pv {

namespace {

constexpr double kMsPerDay = 86400000.0;

} // namespace

double EncodeDateTime(const CivilDate& t) {
    const long long days = DayNumberFromCivil(t.Year, t.Month, t.Day);
    const double ms = t.Hour * 3600000.0 + t.Minute * 60000.0 + t.Second * 1000.0 + t.Millisecond;
    return static_cast<double>(days) + ms / kMsPerDay;
}

CivilDate DecodeDateTime(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return CivilDate{};
    }
    // Whole milliseconds since the epoch, rounded; times before it count back from midnight.
    const long long totalMs = std::llround(value * kMsPerDay);
    long long days = totalMs / 86400000;
    long long msOfDay = totalMs % 86400000;
    if (msOfDay < 0) {
        msOfDay = -msOfDay; // negative values keep the fraction as a time of day
    }
    // Dates before 1 January of year 1 have no calendar form.
    if (days < DayNumberFromCivil(1, 1, 1)) {
        return CivilDate{};
    }
    CivilDate t = CivilFromDayNumber(days);
    t.Hour = static_cast<int>(msOfDay / 3600000);
    t.Minute = static_cast<int>(msOfDay / 60000 % 60);
    t.Second = static_cast<int>(msOfDay / 1000 % 60);
    t.Millisecond = static_cast<int>(msOfDay % 1000);
    return t;
}

std::u16string JoinDateTimeText(double value, const std::u16string& dateText,
                                const std::u16string& timeText) {
    const CivilDate t = DecodeDateTime(value);
    if (t.Hour == 0 && t.Minute == 0 && t.Second == 0 && t.Millisecond == 0) {
        return dateText;
    }
    return dateText + u" " + timeText;
}

} // namespace pv
