#pragma once
// Device Manager's problem codes (the CM_PROB_* numbers a device node reports).
#include <string_view>

namespace pv::triage {

// What the code means in a few words ("driver not installed"); empty for codes not named here.
std::string_view ProblemCodeMeaning(long long code);

// Codes that describe a state the user chose or a device that is simply absent rather than a
// fault: disabled (22) and not connected (45).
bool IsBenignProblemCode(long long code);

} // namespace pv::triage
