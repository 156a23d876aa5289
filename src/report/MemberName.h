#pragma once
// Archive member names as support's tools expect them: plain ASCII, other code units escaped.
#include <string>
#include <string_view>

namespace pv {

// Every UTF-16 code unit at or above 0x80 becomes "#" + four upper-case hex digits (a character
// outside the BMP gives two escapes, one per surrogate); everything else, "#" included, stays.
std::u16string EscapeMemberName(std::u16string_view name);

} // namespace pv
