#pragma once
// The terminal outputs: one screen for one archive (findings first, by severity, then the facts
// behind them, each list cut to a few lines) and the list of changes between two archives.
// Every text from the archive is made printable.
#include "triage/analyse/Diff.h"
#include "triage/model/Model.h"
#include "triage/render/RenderFacts.h"

#include <string>

namespace pv::triage {

std::string RenderText(const Triage& facts, const RenderContext& context);

std::string RenderDiffText(const ArchiveDiff& diff, const RenderContext& olderContext,
                           const RenderContext& newerContext);

} // namespace pv::triage
