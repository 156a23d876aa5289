#pragma once
// The registry view of each read the report window makes (the privacy link's checks).
#include "platform/Wow64Rules.h"

namespace pv {

// The default browser's choice and open command, and the uninstall entries that spoil it: the
// view the 32-bit exe reads by default.
inline constexpr RegistryView kBrowserFactsView = RegistryView::Bit32;
// The Program Files folders under which the link opener may sit, read in both views: the 32-bit
// view names the x86 folder twice, only the native view names the native folder.
inline constexpr RegistryView kProtectedRootViews[] = {RegistryView::Bit32, RegistryView::Bit64};

} // namespace pv
