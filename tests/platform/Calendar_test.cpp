#include "platform/Calendar.h"
#include <gtest/gtest.h>

using namespace pv;

TEST(Calendar, KnownDayNumbers) {
    EXPECT_EQ(DayNumberFromCivil(1899, 12, 30), 0);
    EXPECT_EQ(DayNumberFromCivil(1970, 1, 1), 25569);
    EXPECT_EQ(DayNumberFromCivil(2023, 3, 15), 45000);
    EXPECT_EQ(DayNumberFromCivil(2024, 1, 31), 45322);
    EXPECT_EQ(DayNumberFromCivil(1, 1, 1), -693593);
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
}

TEST(Calendar, RoundTripsEveryDayFromYearOneToNineThousandNineHundredNinetyNine) {
    int year = 1;
    int month = 1;
    int day = 1;
    for (long long n = DayNumberFromCivil(1, 1, 1); n <= DayNumberFromCivil(9999, 12, 31); ++n) {
        const CivilDate c = CivilFromDayNumber(n);
        ASSERT_EQ(c.Year, year);
        ASSERT_EQ(c.Month, month);
        ASSERT_EQ(c.Day, day);
        ASSERT_EQ(DayNumberFromCivil(year, month, day), n);
        if (++day > DaysInMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
}
