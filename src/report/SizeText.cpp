#include "report/SizeText.h"
#include "platform/Calendar.h"
#include "platform/Text.h"

namespace pv {

std::u16string FormatHundredths(uint64_t numerator, uint64_t divisor, char16_t decimalSeparator) {
    if (divisor == 0) {
        return {};
    }
    uint64_t whole = numerator / divisor;
    const uint64_t rest = numerator % divisor;
    // rest < divisor <= 2^30 here, so the products stay far inside 64 bits.
    uint64_t hundredths = (rest * 200 + divisor) / (2 * divisor);
    if (hundredths >= 100) {
        ++whole;
        hundredths -= 100;
    }
    std::u16string text = whole == 0 ? std::u16string() : ToText(static_cast<long long>(whole));
    if (hundredths != 0) {
        text += decimalSeparator;
        text += static_cast<char16_t>(u'0' + hundredths / 10);
        if (hundredths % 10 != 0) {
            text += static_cast<char16_t>(u'0' + hundredths % 10);
        }
    }
    return text;
}

std::u16string SizeText(uint64_t bytes, char16_t decimalSeparator) {
    constexpr uint64_t kKiB = 1024;
    constexpr uint64_t kMiB = kKiB * 1024;
    constexpr uint64_t kGiB = kMiB * 1024;
    if (bytes > kGiB) {
        return FormatHundredths(bytes, kGiB, decimalSeparator) + u" GB";
    }
    if (bytes > kMiB) {
        return FormatHundredths(bytes, kMiB, decimalSeparator) + u" MB";
    }
    if (bytes > kKiB) {
        return FormatHundredths(bytes, kKiB, decimalSeparator) + u" KB";
    }
    return FormatHundredths(bytes, 1, decimalSeparator) + u" bytes";
}

double DosDateTimeToValue(uint16_t dosDate, uint16_t dosTime) {
    const int year = 1980 + (dosDate >> 9);
    const int month = (dosDate >> 5) & 0x0F;
    const int day = dosDate & 0x1F;
    const int hour = dosTime >> 11;
    const int minute = (dosTime >> 5) & 0x3F;
    const int second = (dosTime & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return 0;
    }
    return static_cast<double>(DayNumberFromCivil(year, month, day)) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
}

} // namespace pv
