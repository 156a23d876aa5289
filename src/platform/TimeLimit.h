#pragma once
// Bounds a step that waits on code or processes the tool does not control (a third-party library
// asking a system service): the step runs on its own thread, and the caller stops waiting for it
// after a time limit. An abandoned step runs on by itself and its result is dropped, so it must
// own (or share) everything it touches.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace pv {

// The result of `work()`, or none when it did not finish within `limit`, threw, or no thread could
// be started. Never throws.
template <typename Work>
auto RunWithTimeLimit(Work work, std::chrono::milliseconds limit) noexcept
    -> std::optional<decltype(work())> {
    using Result = decltype(work());
    struct Shared {
        std::mutex Lock;
        std::condition_variable Done;
        bool Finished = false;
        std::optional<Result> Value;
    };
    try {
        auto shared = std::make_shared<Shared>();
        std::thread([shared, work = std::move(work)]() mutable noexcept {
            std::optional<Result> value;
            try {
                value.emplace(work());
            } catch (...) {
            }
            const std::lock_guard<std::mutex> guard(shared->Lock);
            shared->Value = std::move(value);
            shared->Finished = true;
            shared->Done.notify_all();
        }).detach();
        std::unique_lock<std::mutex> guard(shared->Lock);
        if (!shared->Done.wait_for(guard, limit, [&] { return shared->Finished; })) {
            return std::nullopt;
        }
        return std::move(shared->Value);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace pv
