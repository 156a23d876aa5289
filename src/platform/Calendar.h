#pragma once
// The proleptic Gregorian calendar against the tool's day numbering: days since 30 December 1899
// (day 0), the numbering of every date-time value in the reports.
namespace pv {

// A civil date and time of day, the one calendar form of a date-time value; the time stays 0:00
// where only the date counts. The default is day 0.
struct CivilDate {
    int Year = 1899;
    int Month = 12; // 1..12
    int Day = 30;   // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

bool IsLeapYear(int year);
// 28..31; `month` must be 1..12.
int DaysInMonth(int year, int month);
// Day number of a civil date; 1 January 1970 is 25569, 15 March 2023 is 45000.
long long DayNumberFromCivil(int year, int month, int day);
// The civil date of a day number (any sign).
CivilDate CivilFromDayNumber(long long dayNumber);

} // namespace pv
