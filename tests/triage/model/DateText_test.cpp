#include "triage/model/DateText.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

struct LocaleDateCase {
    const char* name;
    const char* text;
    const char* locale;
    std::optional<LocalTime> expected;
};

class LocaleDateTest : public testing::TestWithParam<LocaleDateCase> {};

TEST_P(LocaleDateTest, ReadsOnlyWhatItNeedNotGuess) {
    EXPECT_EQ(ReadLocaleDateTime(GetParam().text, GetParam().locale), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocaleDateTest,
    testing::Values(
        // United States English: short date M/d/yyyy, long time h:mm:ss tt (as the Wine run wrote).
        LocaleDateCase{"UsAfternoon", "4/2/2024 6:45:10 PM", "en-US",
                       LocalTime{2024, 4, 2, 18, 45, 10}},
        LocaleDateCase{"UsMorning", "12/10/2026 5:20:11 AM", "en-US",
                       LocalTime{2026, 12, 10, 5, 20, 11}},
        LocaleDateCase{"UsMidnightHour", "3/1/2024 12:05:00 AM", "en-US",
                       LocalTime{2024, 3, 1, 0, 5, 0}},
        LocaleDateCase{"UsNoon", "3/1/2024 12:05:00 PM", "en-US", LocalTime{2024, 3, 1, 12, 5, 0}},
        // At midnight the writer leaves the time out.
        LocaleDateCase{"UsDateOnly", "3/15/2024", "en-US", LocalTime{2024, 3, 15, 0, 0, 0}},
        // German: dd.MM.yyyy HH:mm:ss.
        LocaleDateCase{"German", "02.04.2024 18:45:10", "de-DE", LocalTime{2024, 4, 2, 18, 45, 10}},
        LocaleDateCase{"GermanDateOnly", "15.03.2024", "de-DE", LocalTime{2024, 3, 15, 0, 0, 0}},
        LocaleDateCase{"AustrianIsGerman", "02.04.2024", "de-AT", LocalTime{2024, 4, 2, 0, 0, 0}},
        // A day above 12 settles the order whatever the locale says.
        LocaleDateCase{"UnknownLocaleDayFirst", "25/03/2024 10:00:00", "xx-YY",
                       LocalTime{2024, 3, 25, 10, 0, 0}},
        LocaleDateCase{"UnknownLocaleMonthFirst", "3/25/2024", "", LocalTime{2024, 3, 25, 0, 0, 0}},
        LocaleDateCase{"IsoOrder", "2024-03-25 10:00:00", "sv-SE",
                       LocalTime{2024, 3, 25, 10, 0, 0}},
        LocaleDateCase{"SameEitherWay", "04/04/2024", "xx-YY", LocalTime{2024, 4, 4, 0, 0, 0}},
        // Not readable without a guess, or not a date at all.
        LocaleDateCase{"UnknownLocaleAmbiguous", "02/04/2024", "xx-YY", std::nullopt},
        LocaleDateCase{"UsTagWithDottedText", "02.04.2024", "en-US", std::nullopt},
        // A 24-hour time does not fit United States English: the text alone must settle it.
        LocaleDateCase{"UsTagWith24HourTime", "02/04/2024 18:45:10", "en-US", std::nullopt},
        LocaleDateCase{"UsTagWith24HourTimeDayAbove12", "25/04/2024 18:45:10", "en-US",
                       LocalTime{2024, 4, 25, 18, 45, 10}},
        LocaleDateCase{"GermanTagWithDesignator", "02.04.2024 6:45:10 PM", "de-DE", std::nullopt},
        LocaleDateCase{"UsTagMonthAbove12", "13/04/2024", "en-US", std::nullopt},
        LocaleDateCase{"TwoDigitYear", "4/2/24", "en-US", std::nullopt},
        LocaleDateCase{"NoSuchDay", "2/30/2024", "en-US", std::nullopt},
        LocaleDateCase{"Hour13WithPm", "4/2/2024 13:00:00 PM", "en-US", std::nullopt},
        LocaleDateCase{"LocalisedDesignator", "4/2/2024 6:45:10 nachm.", "en-US", std::nullopt},
        LocaleDateCase{"NotApplicable", "N/A", "en-US", std::nullopt},
        LocaleDateCase{"Empty", "", "en-US", std::nullopt},
        LocaleDateCase{"HugeNumber", "99999999999/1/2024", "en-US", std::nullopt}),
    [](const auto& info) { return info.param.name; });

struct NumberCase {
    const char* text;
    std::optional<double> expected;
};

class GeneralNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(GeneralNumberTest, AcceptsEitherDecimalPoint) {
    EXPECT_EQ(ReadGeneralNumber(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneralNumberTest,
    testing::Values(NumberCase{"45323.5", 45323.5}, NumberCase{"45323,5", 45323.5},
                    NumberCase{"0", 0.0}, NumberCase{"44208", 44208.0}, NumberCase{"1E-6", 1e-6},
                    NumberCase{"1,5E-7", 1.5e-7}, NumberCase{"-109205,25", -109205.25},
                    NumberCase{" 45323.5 ", 45323.5}, NumberCase{"1.2.3", std::nullopt},
                    NumberCase{"45.323,5", std::nullopt}, NumberCase{"", std::nullopt},
                    NumberCase{"E5", std::nullopt}, NumberCase{"1E", std::nullopt},
                    NumberCase{"1E99999", std::nullopt}, NumberCase{"nan", std::nullopt}));

struct ValueCase {
    double value;
    std::optional<LocalTime> expected;
};

class DateTimeValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(DateTimeValueTest, DaysSince1899) {
    EXPECT_EQ(FromDateTimeValue(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateTimeValueTest,
    testing::Values(ValueCase{0, std::nullopt}, ValueCase{-1.25, std::nullopt},
                    ValueCase{1e300, std::nullopt},
                    ValueCase{45000, LocalTime{2023, 3, 15, 0, 0, 0}},
                    ValueCase{45323.5, LocalTime{2024, 2, 1, 12, 0, 0}},
                    // The device list's own example: 13:00 written to 15 digits.
                    ValueCase{43567.5416666667, LocalTime{2019, 4, 12, 13, 0, 0}},
                    ValueCase{45300.4622916667, LocalTime{2024, 1, 9, 11, 5, 42}},
                    // 23:59:59.9996 rounds to the millisecond, into the next day, as written.
                    ValueCase{44986 + 86399.9996 / 86400, LocalTime{2023, 3, 2, 0, 0, 0}},
                    ValueCase{2958465.5, LocalTime{9999, 12, 31, 12, 0, 0}}));

TEST(LogTimestamp, ReadsTheInstallLogsFixedForm) {
    EXPECT_EQ(ReadLogTimestamp("2024/03/29 10:02:11.123"), (LocalTime{2024, 3, 29, 10, 2, 11}));
    EXPECT_EQ(ReadLogTimestamp(" 2024/03/29 10:02:11"), (LocalTime{2024, 3, 29, 10, 2, 11}));
    EXPECT_FALSE(ReadLogTimestamp("2024/02/30 10:02:11.123"));
    EXPECT_FALSE(ReadLogTimestamp("2024/03/29 10:02"));
    EXPECT_FALSE(ReadLogTimestamp("2024/03/29 10:02:11.12345"));
    EXPECT_FALSE(ReadLogTimestamp("29.03.2024 10:02:11"));
}

TEST(LocalTimeArithmetic, UnixSecondsAndEpochDays) {
    EXPECT_EQ(FromUnixSeconds(0), (LocalTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(FromUnixSeconds(1712083510), (LocalTime{2024, 4, 2, 18, 45, 10}));
    EXPECT_EQ(FromUnixSeconds(-1), (LocalTime{1969, 12, 31, 23, 59, 59}));
    EXPECT_EQ(DayNumberOf({2023, 3, 15, 23, 0, 0}), 45000);
    EXPECT_EQ(SecondsOf({1899, 12, 31, 0, 0, 1}), 86401);
    EXPECT_EQ(FormatLocalTime({2024, 4, 2, 18, 45, 10}), "2024-04-02 18:45:10");
    EXPECT_EQ(FormatLocalTime({2024, 4, 2, 0, 0, 0}), "2024-04-02");
}

} // namespace
} // namespace pv::triage
