#pragma once
// The one moment a job publishes its archive, guarded against the window closing: once the job
// is abandoned the archive is never placed at its final path, and a placement under way finishes
// before Abandon returns. The final path so holds either nothing new or the whole archive.
#include <functional>
#include <mutex>

namespace pv {

class TPlacementGate {
public:
    // Called by the window when it closes mid-job; waits for a placement under way.
    void Abandon();
    bool Abandoned() const;
    // Runs `place` unless the job was abandoned, and returns its result; false when abandoned.
    // `place` must not call back into the gate.
    bool PlaceUnlessAbandoned(const std::function<bool()>& place);

private:
    mutable std::mutex mutex_;
    bool abandoned_ = false;
};

} // namespace pv
