// "wait-signal NAME": write NAME.reached into --signal-dir and wait for NAME.go, so the caller can
// inspect files or take a screenshot while the window is up.
#include "Actions.h"

namespace uidriver {

namespace {

bool WaitSignal(Session& s, const std::vector<std::wstring>& args) {
    return s.WaitForSignal(args[0]);
}

bool Snapshot(Session& s, const std::vector<std::wstring>& args) {
    s.out["snapshot_" + Utf8(args[0])] = s.Describe(s.main);
    return true;
}

ActionRegistrar regWait{
    {"wait-signal", 1, "NAME: write NAME.reached, wait for NAME.go", WaitSignal}};
ActionRegistrar regSnap{
    {"snapshot", 1, "NAME: record the window and its controls as snapshot_NAME", Snapshot}};

} // namespace

} // namespace uidriver
