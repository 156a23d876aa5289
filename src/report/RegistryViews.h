#pragma once
// The registry view of each read the report job's own writers make.
#include "platform/Wow64Rules.h"

namespace pv {

// The administrator's endpoint overrides (kEndpointOverrideKey), in the view the 32-bit exe reads
// by default.
inline constexpr RegistryView kEndpointOverrideView = RegistryView::Bit32;
// The product key whose values the registry dump writes out; it is created there when missing.
inline constexpr RegistryView kRegistryDumpView = RegistryView::Bit32;

} // namespace pv
