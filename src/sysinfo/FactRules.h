#pragma once
// Pure rules of the system report's fact lines.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

// "Name             : " + value: the name left-aligned in 16 columns, then " : ".
std::u16string FactLine(std::u16string_view name, std::u16string_view value);
// An empty line, "===== title =====" and an empty line.
std::vector<std::u16string> SectionHead(std::u16string_view title);

// Two (count, unit) pairs, each "1 unit " or "n units "; a count of 0 writes nothing. Negative
// seconds count as 0, so 0 gives an empty text.
std::u16string DurationText(long long seconds);
// Up time of the program from two millisecond readings: the duration text, or "n milliseconds"
// under one second; empty when the start is 0.
std::u16string ProgramUpTimeText(long long startMs, long long nowMs);
// Counter / frequency as whole seconds, and counter / frequency / 1000 as milliseconds, without
// overflow; 0 for a frequency of 0.
long long CounterSeconds(long long counter, long long frequency);
long long CounterMilliseconds(long long counter, long long frequency);

// "1023 Bytes", "1,00 KB": hundredths with the decimal separator before the last two digits.
std::u16string CompactSizeText(uint64_t bytes, char16_t decimalSeparator);
// Bytes rounded to the nearest MB.
uint64_t RoundToMegabytes(uint64_t bytes);

// Runs of blanks collapsed to one, then codes 0..32 trimmed from both ends.
std::u16string CleanProcessorName(std::u16string_view name);
// 16 unless processor n (1..15) has no name; then n.
int CountProcessors(const std::function<bool(int)>& hasName);

} // namespace pv
