#pragma once
// Dates as the reports write them: the machine's short date and long time (system report, dump
// listing), the locale-free date-time value of the device list, and the driver-install log's
// fixed "yyyy/mm/dd hh:mm:ss.mmm". A date that cannot be read without guessing is not read.
#include "triage/model/Model.h"
#include <optional>
#include <string_view>

namespace pv::triage {

enum class DateOrder { Unknown, MonthDayYear, DayMonthYear, YearMonthDay };

struct DateConvention {
    DateOrder Order = DateOrder::Unknown;
    char Separator = 0;
    bool TwelveHour = false; // long times carry AM or PM
};

// The short-date convention of a Locale-Language tag ("en-US", "de-DE"); Unknown for tags this
// reader does not know.
DateConvention DateConventionOf(std::string_view localeTag);

// A short date, optionally followed by a blank and a time ("3/14/2019 1:05:07 PM",
// "14.03.2019 13:05:07", "14.03.2019"). The day, month and year order comes from the locale when
// the text has its shape (its date separator, and AM or PM exactly when the locale writes them),
// otherwise from the text alone (a four-digit first field, or a first or second field above 12);
// when neither settles it the date is not read.
std::optional<LocalTime> ReadLocaleDateTime(std::string_view text, std::string_view localeTag);

// A general number with "." or "," as the decimal point and an optional exponent ("43567.5",
// "43567,5416666667", "1E-6"); empty when the text is not such a number.
std::optional<double> ReadGeneralNumber(std::string_view text);

// A date-time value (days since 30 December 1899) to whole seconds, rounded to the millisecond
// first as the writer does; empty for 0 (no date) and for values outside years 1900 to 9999.
std::optional<LocalTime> FromDateTimeValue(double value);

// "2019/03/14 13:05:07.123" (milliseconds optional).
std::optional<LocalTime> ReadLogTimestamp(std::string_view text);

// Day number of 1 January 1970, the origin of Unix times.
inline constexpr long long kUnixEpochDay = 25569;

// Day number (days since 30 December 1899) and seconds since that epoch of a local time.
long long DayNumberOf(const LocalTime& t);
long long SecondsOf(const LocalTime& t);
// The local time of Unix seconds, read as UTC.
LocalTime FromUnixSeconds(long long seconds);
// "2019-03-14 13:05:07", or "2019-03-14" at midnight.
std::string FormatLocalTime(const LocalTime& t);

} // namespace pv::triage
