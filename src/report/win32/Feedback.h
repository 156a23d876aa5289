#pragma once
// The report job as the window sees it.
#include <atomic>
#include <memory>
#include <string>

namespace pv {

// Shared between the window and the job, so the window may poll it after the job freed itself.
struct TJobState {
    std::atomic<bool> Finished{false};
    // True once the archive exists at its final path; the window's message depends on it.
    std::atomic<bool> ArchiveSaved{false};
};

// Creates the report job for the archive at `archivePath`; its worker runs when this returns.
std::shared_ptr<TJobState> StartFeedback(const std::u16string& archivePath);

} // namespace pv
