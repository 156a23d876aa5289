// Temporary stand-in for the report job until report/win32 provides StartFeedback. The real
// definition, earlier in the library, is taken first once it exists. It writes nothing.
#include "report/win32/Feedback.h"
#include <chrono>
#include <thread>

namespace pv {

std::shared_ptr<TJobState> StartFeedback(const std::u16string&) {
    auto state = std::make_shared<TJobState>();
    std::thread([state] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        state->Finished.store(true);
    }).detach();
    return state;
}

} // namespace pv
