#pragma once
// What changed between two archives of one machine: devices, drivers, problems and crashes.
#include "triage/model/Model.h"
#include <string>
#include <vector>

namespace pv::triage {

enum class ChangeKind {
    DeviceAdded,
    DeviceRemoved,
    DriverChanged,   // version or driver date differ
    ProblemAppeared, // no problem before, a problem number or code now
    ProblemCleared,
    CrashAdded, // a crash time in the newer archive that the older one did not have
};

struct Change {
    ChangeKind Kind = ChangeKind::DeviceAdded;
    // Stable: "diff.device_added", "diff.device_removed", "diff.driver_changed",
    // "diff.problem_appeared", "diff.problem_cleared", "diff.crash_added".
    std::string Id;
    std::string Device; // the device's key, or its instance when it has no key; empty for crashes
    std::string Name;   // device name or crash source
    std::string Before; // e.g. "1.2.3.4 (3/14/2019)"; empty when not applicable
    std::string After;
    std::string Text;  // one sentence
    Evidence OldWhere; // Line 0 and an empty member when the older archive has no such fact
    Evidence NewWhere;
};

struct ArchiveDiff {
    std::vector<Change> Changes; // in the order of ChangeKind, then by name
};

// Devices are matched by key, else by instance; a device with neither is not compared. A problem
// that changes from one code to another counts as appeared. A crash of the newer archive is new
// unless the older has one at the same time (the same day where either knows only the day).
ArchiveDiff Diff(const Triage& older, const Triage& newer);

} // namespace pv::triage
