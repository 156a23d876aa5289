#pragma once
// One self-contained HTML page for one archive: inline CSS and SVG, no script, no external
// request (a content security policy forbids any). Every text from the archive is escaped.
#include "triage/model/Model.h"
#include "triage/render/RenderFacts.h"

#include <string>

namespace pv::triage {

std::string RenderHtml(const Triage& facts, const RenderContext& context);

} // namespace pv::triage
