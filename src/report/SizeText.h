#pragma once
// Sizes and dates as the memory-dump listing writes them.
#include <cstdint>
#include <string>

namespace pv {

// `numerator / divisor` in the pattern "#.##": rounded to two decimals (halves away from zero),
// trailing zeros and a bare separator dropped, no leading zero, no thousands separator.
std::u16string FormatHundredths(uint64_t numerator, uint64_t divisor, char16_t decimalSeparator);

// "#.## GB" above 1 GiB, "#.## MB" above 1 MiB, "#.## KB" above 1 KiB, else "#.## bytes".
std::u16string SizeText(uint64_t bytes, char16_t decimalSeparator);

// Date-time value (days since 1899-12-30) of an MS-DOS date and time; 0 when a field is out of
// range (month 0, 30 February, 24 o'clock ...).
double DosDateTimeToValue(uint16_t dosDate, uint16_t dosTime);

} // namespace pv
