#pragma once
// Packs the job's paired lists into the archive at job.ArchivePath.
#include "report/Collection.h"

namespace pv {

// Each source is copied into the job's private temporary folder and the copy is added under its
// escaped member name; the archive is written in that folder too and moved onto ArchivePath only
// once complete. True only when the finished archive is at ArchivePath. An empty list writes
// nothing. Never throws.
bool PackArchive(const TCollection& job) noexcept;

} // namespace pv
