#pragma once
// The registry view of each read of the system facts and the system report.
#include "platform/Wow64Rules.h"

namespace pv {

// The inventory sections read the native view; their "Wow6432Node" paths reach the 32-bit one.
inline constexpr RegistryView kSectionView = RegistryView::Bit64;
// The processor names under HARDWARE\DESCRIPTION (a hive WOW64 does not split).
inline constexpr RegistryView kProcessorKeyView = RegistryView::Bit32;
// The crash settings under SYSTEM\CurrentControlSet\Control\CrashControl (not split either).
inline constexpr RegistryView kCrashControlView = RegistryView::Bit32;

} // namespace pv
