#include "triage/analyse/ProblemCodes.h"

namespace pv::triage {

namespace {

struct Named {
    long long Code;
    std::string_view Meaning;
};

constexpr Named kProblemCodes[] = {
    {1, "not configured correctly"},
    {3, "driver may be corrupted or the system is low on memory"},
    {10, "device cannot start"},
    {12, "not enough free resources"},
    {14, "restart needed"},
    {18, "drivers must be reinstalled"},
    {19, "configuration in the registry is damaged"},
    {21, "being removed"},
    {22, "disabled"},
    {24, "not present or not working properly"},
    {28, "drivers not installed"},
    {29, "disabled by the firmware"},
    {31, "driver could not be loaded"},
    {32, "driver service disabled"},
    {33, "resources cannot be determined"},
    {34, "resources need manual configuration"},
    {35, "firmware lacks resource information"},
    {37, "driver failed to initialise"},
    {38, "previous driver instance still loaded"},
    {39, "driver corrupted or missing"},
    {40, "driver service key invalid"},
    {41, "driver loaded but the hardware was not found"},
    {42, "duplicate device"},
    {43, "device stopped after reporting problems"},
    {44, "halted by an application or service"},
    {45, "not connected"},
    {46, "not available while Windows shuts down"},
    {47, "prepared for safe removal"},
    {48, "driver blocked from starting"},
    {49, "registry size limit exceeded"},
    {50, "device properties cannot be applied"},
    {51, "waiting on another device"},
    {52, "driver signature cannot be verified"},
    {53, "reserved by the kernel debugger"},
    {54, "failed and is being reset"},
};

} // namespace

std::string_view ProblemCodeMeaning(long long code) {
    for (const Named& n : kProblemCodes) {
        if (n.Code == code) {
            return n.Meaning;
        }
    }
    return {};
}

bool IsBenignProblemCode(long long code) {
    return code == 22 || code == 45;
}

} // namespace pv::triage
