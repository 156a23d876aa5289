#pragma once
// The timeline of one archive as inline SVG: driver installs, failed installs, crashes (with the
// window before each in which installs are linked to it) and product-log days on one time axis.
// Where the events sit in separate periods (a crash months before the logs) the axis is broken
// into up to four pieces, so that no period is squeezed to a few pixels.
#include "triage/model/Model.h"
#include "triage/render/RenderFacts.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pv::triage {

// Colours the page's legend and tests refer to.
inline constexpr std::string_view TimelineInstallColour = "#2f6fdf";
inline constexpr std::string_view TimelineFailedColour = "#e08a00";
inline constexpr std::string_view TimelineCrashColour = "#d40000";
inline constexpr std::string_view TimelineLogColour = "#8c8c8c";

// Minutes since 1970-01-01 00:00 of a wall-clock time; no zone is applied.
int64_t WallMinutes(const LocalTime& time);

struct Timeline {
    std::string Svg;
    size_t Segments = 0;        // pieces of the axis; 0 when nothing has a date
    size_t InstallsOffAxis = 0; // driver installs outside every piece, not drawn
};

Timeline RenderTimeline(const Triage& facts, const RenderContext& context);

// The same lanes over the window before one crash and a day after it, at a scale where a day
// is wide: the close-up of the installs that crash is linked to.
Timeline RenderCrashCloseUp(const Triage& facts, const RenderContext& context,
                            const CrashLink& crash);

} // namespace pv::triage
