#pragma once
// The walk over every device of a source, filling one record per device.
#include "devices/DeviceFields.h"
#include "devices/DeviceSource.h"
#include "devices/DriverTypes2.h"

namespace pv {

// Fills `item` from the source's current device (property first, driver key second).
void FillDeviceItem(DeviceSource& source, TDeviceItem& item, Md5TextFunction md5);

// Opens the source with `flags` and appends one new record per device, in enumeration order.
// Returns the number appended, or -1 (list unchanged) when the set cannot be opened. A record
// being filled when an error escapes is freed; those already appended belong to the list's owner.
int GetDeviceListFrom(DeviceSource& source, TList<PDeviceItem>& list, uint32_t flags,
                      Md5TextFunction md5);

} // namespace pv
