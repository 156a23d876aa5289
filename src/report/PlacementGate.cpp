#include "report/PlacementGate.h"

namespace pv {

void TPlacementGate::Abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
}

bool TPlacementGate::Abandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
}

bool TPlacementGate::PlaceUnlessAbandoned(const std::function<bool()>& place) {
    std::lock_guard lock(mutex_);
    return !abandoned_ && place();
}

} // namespace pv
