#pragma once
// Device enumeration with driver facts and the device list report. The rules live in
// DeviceEnumeration.h and DeviceListReport.h; this header adds the Windows side.
#include "devices/DeviceEnumeration.h"
#include "devices/DeviceListReport.h"
#include "devices/DriverTypes2.h"

#ifdef _WIN32
#include "devices/win32/SetupApiBinding.h"
#include <string>

namespace pv {

// Appends one record per device of the setup database (flags as SetupDiGetClassDevsW takes them:
// DIGCF_ALLCLASSES includes devices that are not present). Returns the number appended, or -1
// (list unchanged) when the device set cannot be opened. Binds SetupAPI for the call and releases
// it at the end, also when an error leaves.
int GetDeviceList(TList<PDeviceItem>& list, uint32_t flags);

// True when HKLM\SYSTEM\CurrentControlSet\Services\<name> opens and holds a value "DCHUVen".
bool IsDchService(const std::u16string& serviceName);

// The user's decimal, date and time separators (first character of each).
DeviceTextFormat UserDeviceTextFormat();

// Builds the device list of all classes and writes logFolder + "DeviceList.txt"; never throws, a
// list that cannot be built or saved is left out.
void WriteDeviceList(const std::u16string& logFolder);

} // namespace pv
#endif
