#include "triage/Triage.h"

namespace pv::triage {

Triage ReadArchiveFacts(const std::vector<Member>& members, const Options& options) {
    Triage facts;
    facts.Members = static_cast<int>(members.size());
    for (const Member& m : members) {
        facts.MemberNames.push_back(m.Name);
    }
    facts.Findings = Analyse(facts, options);
    return facts;
}

std::vector<Finding> Analyse(const Triage&, const Options&) {
    return {};
}

} // namespace pv::triage
