#pragma once
// The registry view of each read of the product's locations and settings.
#include "platform/Wow64Rules.h"

namespace pv {

// The main and beta editions' uninstall keys (kMainUninstallKey, kBetaUninstallKey): the 32-bit
// installer writes them to the 32-bit view.
inline constexpr RegistryView kInstallKeyView = RegistryView::Bit32;
// The product key holding "InstDate" (kProductKey).
inline constexpr RegistryView kProductKeyView = RegistryView::Bit32;
// The games-store edition keys (EditionKeys), which name both branches themselves.
inline constexpr RegistryView kEditionKeyView = RegistryView::Bit64;

} // namespace pv
