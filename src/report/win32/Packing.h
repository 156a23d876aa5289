#pragma once
// Packs the job's paired lists into the archive at job.ArchivePath.
#include "report/Collection.h"
#include "report/PlacementGate.h"

namespace pv {

// Each source is copied into the job's private temporary folder and the copy is added under its
// escaped member name; the archive is written in that folder too and moved onto ArchivePath only
// once complete, and only through `gate`: an abandoned job leaves its folder for the next run to
// remove. True only when the finished archive is at ArchivePath. An empty list writes nothing.
// Never throws.
bool PackArchive(const TCollection& job, TPlacementGate& gate) noexcept;

} // namespace pv
