#pragma once
// The rules that turn what the setup database hands back into record fields: value decoding,
// fallbacks, defaults, the driver key and the device key. Pure, so they run natively.
#include "devices/DeviceSource.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

inline constexpr char16_t kDefaultClassGuid[] = u"{4D36E97D-E325-11CE-BFC1-08002BE10318}";
inline constexpr char16_t kUnknownClassName[] = u"UNKNOWN";
inline constexpr char16_t kDriverClassRoot[] = u"SYSTEM\\CurrentControlSet\\Control\\Class\\";

// Text of a property value: the UTF-16 units up to the first NUL (an odd last byte is dropped).
std::u16string PropertyText(const std::vector<uint8_t>& data);
// A list of texts (NUL-separated, closed by an empty text or the end of the data) joined by
// commas: "A\0B\0\0" gives "A,B".
std::u16string PropertyList(const std::vector<uint8_t>& data);
// A registry-property DWORD: accepted only when exactly 4 bytes of type REG_DWORD, else 0.
uint32_t PropertyDword(uint32_t type, const std::vector<uint8_t>& data);
// A device-property DWORD: the first 4 bytes little-endian; 0 when there are fewer.
uint32_t DevicePropertyDword(const std::vector<uint8_t>& data);
// A device-property FILETIME: the first 8 bytes as a UTC date-time; 0 when there are fewer.
double DevicePropertyDate(const std::vector<uint8_t>& data);
// A device property read by its type: the text of a string, the number of a UINT32, the UTC date
// of a FILETIME; a value of any other type is empty (empty text, 0).
std::u16string DevicePropertyText(const DevPropValue& value);
uint32_t DevicePropertyDword(const DevPropValue& value);
double DevicePropertyDate(const DevPropValue& value);
// The "DriverDateData" registry bytes: a FILETIME only when exactly 8 bytes, else 0.
double DriverDateDataDate(const std::vector<uint8_t>& data);

// A FILETIME (100 ns units since 1 January 1601 UTC) as a date-time value in UTC, to the
// millisecond. 0 for the zero FILETIME (no date) and for values outside years 1601..9999.
double FileTimeToUtcDateTime(uint64_t fileTime);

// "SYSTEM\CurrentControlSet\Control\Class\" + the trimmed driver value; empty when the device
// names no driver, so no fallback reads the Class key itself.
std::u16string DriverKeyPath(std::u16string_view driverValue);

// Matching ID: the property, else the driver key's value; then trimmed and upper-cased (a-z).
std::u16string MatchingIdFrom(std::u16string_view property, std::u16string_view driverKeyValue);
// Driver provider and version: the property as it comes, else the trimmed driver-key value.
std::u16string DriverTextFrom(std::u16string_view property, std::u16string_view driverKeyValue);
// The trimmed class GUID, or the default class GUID when that is empty.
std::u16string ClassGuidOrDefault(std::u16string_view classGuid);
// The trimmed class name, or "UNKNOWN" when that is empty.
std::u16string ClassNameOrUnknown(std::u16string_view className);

// The MD5 text (32 upper-case hex digits) of the bytes; empty when it cannot be computed. The
// device key is this text of the instance ID's ANSI bytes.
using Md5TextFunction = std::u16string (*)(std::string_view bytes);

} // namespace pv
