#pragma once
// Whether a device has a previous driver to roll back to: a registry method on XP-era
// workstations, a driver strong-name method from Vista on, nothing on servers and other systems.
#include "devices/DeviceSource.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <setupapi.h>
#endif

namespace pv {

enum class RollbackMethod { None, Registry, Property };

// The method for a GetOSFlag value: 1, 2 registry; the Vista..10 workstation bits property.
RollbackMethod RollbackMethodFor(uint32_t osFlag);
// Flag 2 (XP x64) reads the 64-bit registry view with file-system redirection off.
inline bool RollbackUses64BitView(uint32_t osFlag) {
    return osFlag == 2;
}

// The text of the strong-name property: up to the first NUL, at most 512 characters.
std::u16string StrongNameText(const std::vector<uint8_t>& data);
// The strong name of the property the property method reads: its text (see StrongNameText) when
// the value is a string; false, `strongName` untouched, for any other type.
bool StrongNameOf(const DevPropValue& value, std::u16string& strongName);
// The text before the first ':' (the whole text when there is none).
std::u16string StrongNameFirstPiece(std::u16string_view strongName);
// Instance IDs compared with the letters a-z upper-cased, character for character.
bool SameInstanceId(std::u16string_view a, std::u16string_view b);
// The reinstall entry's "DeviceInstanceIds" text, or five blanks when it is absent.
std::u16string ReinstallInstanceIdOrBlanks(std::u16string_view value);

#ifdef _WIN32
// True when the device's previous driver can be rebuilt (property method) or its reinstall entry
// names a file that exists (registry method). False on any failure or for other systems. Reads
// through the enumeration's SetupAPI binding (BindSetupApi), which must be held for the call; an
// entry point missing from it gives false.
bool DetectRollback(HDEVINFO set, SP_DEVINFO_DATA* device, const std::u16string& instanceId,
                    uint32_t osFlag);
#endif

} // namespace pv
