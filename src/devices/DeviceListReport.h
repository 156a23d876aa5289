#pragma once
// The device list report: one text block per device, newest installation first.
#include "devices/DriverTypes2.h"
#include "platform/ReportText.h"
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

// The user's separators: "." "/" ":" for United States English.
struct DeviceTextFormat {
    char16_t DecimalSeparator = u'.';
    char16_t DateSeparator = u'/';
    char16_t TimeSeparator = u':';
};

// Shortest text of at most 15 significant digits, no trailing zeros; scientific ("1.5E20",
// "1E-6") beyond 15 integer digits or below 0.00001 in magnitude. 0 gives "0".
std::u16string GeneralNumberText(double value, char16_t decimalSeparator);
// "m/d/yyyy HH:nn:ss" with the given separators, cut to whole seconds after rounding to the
// millisecond; 0 gives 12/30/1899 00:00:00. Empty for values outside the calendar.
std::u16string DeviceDateText(double value, const DeviceTextFormat& format);
// The items of a comma-joined ID text, read by ParseDelimitedList (platform/Text.h): commas and
// characters 1..32 end items, quoted items keep commas and blanks, a trailing comma gives a last
// empty item, an empty text no item.
std::vector<std::u16string> SplitIdItems(std::u16string_view text);

// Appends the block of one device at position `index` of the sorted list.
void AddDeviceBlock(ReportText& report, const TDeviceItem& item, int index,
                    const DeviceTextFormat& format);

// Fills a list (the enumeration: returns the count or -1), sorts it newest first, writes every
// block and disposes of the records, also when an error leaves. No devices give an empty report.
using DeviceEnumerator = std::function<int(TList<PDeviceItem>& list)>;
ReportText BuildDeviceListReport(const DeviceEnumerator& enumerate, const DeviceTextFormat& format);

inline constexpr char16_t kDeviceListFileName[] = u"DeviceList.txt";

} // namespace pv
