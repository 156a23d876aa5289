#pragma once
// The JSON outputs (schema 1, documented in docs/triage-schema.md): one archive's facts and
// findings, and what changed between two archives. Pure functions from the model to text.
#include "triage/analyse/Diff.h"
#include "triage/model/Model.h"
#include "triage/render/RenderFacts.h"

#include <string>

namespace pv::triage {

inline constexpr int JsonSchemaVersion = 2;

std::string RenderJson(const Triage& facts, const RenderContext& context);

std::string RenderDiffJson(const ArchiveDiff& diff, const Triage& older,
                           const RenderContext& olderContext, const Triage& newer,
                           const RenderContext& newerContext);

} // namespace pv::triage
