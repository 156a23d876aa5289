#pragma once
// The registry view of each read of the device enumeration.
#include "devices/RollBackDetect.h"
#include "platform/Wow64Rules.h"

namespace pv {

// A device's driver key (its texts and "DriverDateData").
inline constexpr RegistryView kDriverKeyView = RegistryView::Bit32;
// A driver service's key, for its "DCHUVen" value.
inline constexpr RegistryView kServiceKeyView = RegistryView::Bit32;

// The reinstall entries of the registry rollback method: the native view on XP x64 (flag 2),
// the 32-bit exe's default view otherwise.
inline RegistryView RollbackRegistryView(uint32_t osFlag) {
    return RollbackUses64BitView(osFlag) ? RegistryView::Bit64 : RegistryView::Bit32;
}

} // namespace pv
