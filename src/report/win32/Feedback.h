#pragma once
// The report job: the window starts it with StartFeedback and polls the shared TJobState; the
// collection plan and the report writers fill its paired lists through TCollection's operations.
#include "report/Collection.h"
#include "report/PlacementGate.h"
#include <atomic>
#include <memory>
#include <string>

namespace pv {

// Shared between the window and the job, so the window may poll it after the job freed itself.
struct TJobState {
    std::atomic<bool> Finished{false};
    // True once the archive exists at its final path; the window's message depends on it.
    std::atomic<bool> ArchiveSaved{false};
    // Closed by the window when it goes mid-job, so that a process on its way out never
    // publishes an archive.
    TPlacementGate Placement;
};

// Creates the report job for the archive at `archivePath`; its worker runs when this returns.
// When no worker can be started the state comes back finished, without an archive.
std::shared_ptr<TJobState> StartFeedback(const std::u16string& archivePath);

// The job object. Built on the UI thread by StartFeedback; afterwards only its worker touches it,
// and the worker destroys it when done. Writers receive it by reference to read the installation
// folders (AppPath, BetaPath, EditionPaths) and to add their own files (AddItem, AddFolderItems).
class TFeedback : public TCollection {
public:
    // Reads the product and installation folders (BetaPath only when the folder exists).
    explicit TFeedback(const std::u16string& archivePath);

    // The worker body: the collection plan, then packing. Never throws.
    void Execute(TJobState& state) noexcept;
};

} // namespace pv
