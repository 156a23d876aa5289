#include "devices/DeviceListReport.h"
#include "platform/Calendar.h"
#include "platform/Text.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pv {

namespace {

std::u16string TwoDigits(long long value) {
    std::u16string text = ToText(value);
    return text.size() < 2 ? u"0" + text : text;
}

void AddIdItems(ReportText& report, std::u16string_view ids) {
    for (const std::u16string& id : SplitIdItems(ids)) {
        report.Add(u" " + UpperAscii(id));
    }
}

} // namespace

std::u16string GeneralNumberText(double value, char16_t decimalSeparator) {
    if (value == 0) {
        return u"0";
    }
    if (std::isnan(value)) {
        return u"NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? u"-INF" : u"INF";
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value); // [-]d.dddddddddddddde[+-]xx
    const char* p = buf;
    std::u16string sign;
    if (*p == '-') {
        sign = u"-";
        ++p;
    }
    std::string digits;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            digits += *p;
        }
    }
    const int exponent = std::atoi(p + 1); // value = d.ddd * 10^exponent
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::u16string text = sign;
    if (exponent + 1 > 15 || std::fabs(value) < 0.00001) {
        text += static_cast<char16_t>(digits[0]);
        if (digits.size() > 1) {
            text += decimalSeparator;
            text += FromAscii(digits.substr(1));
        }
        text += u"E" + ToText(exponent);
        return text;
    }
    if (exponent < 0) {
        text += u"0";
        text += decimalSeparator;
        text += std::u16string(static_cast<size_t>(-exponent - 1), u'0');
        text += FromAscii(digits);
        return text;
    }
    const auto integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
        return text + FromAscii(digits) + std::u16string(integerDigits - digits.size(), u'0');
    }
    text += FromAscii(digits.substr(0, integerDigits));
    text += decimalSeparator;
    text += FromAscii(digits.substr(integerDigits));
    return text;
}

std::u16string DeviceDateText(double value, const DeviceTextFormat& format) {
    constexpr long long kMsPerDay = 86400000;
    if (!(std::fabs(value) < 1e7)) {
        return {};
    }
    // Whole value to milliseconds first, so 23:59:59.9996 rounds into the next day.
    const long long total = std::llround(value * static_cast<double>(kMsPerDay));
    const long long day = total / kMsPerDay;
    const long long ms = std::llabs(total) % kMsPerDay;
    const CivilDate date = CivilFromDayNumber(day);

    std::u16string text =
        ToText(date.Month) + format.DateSeparator + ToText(date.Day) + format.DateSeparator;
    const std::u16string year = ToText(date.Year);
    text += std::u16string(year.size() < 4 ? 4 - year.size() : 0, u'0') + year;
    text += u' ';
    text += TwoDigits(ms / 3600000) + format.TimeSeparator + TwoDigits(ms / 60000 % 60) +
            format.TimeSeparator + TwoDigits(ms / 1000 % 60);
    return text;
}

std::vector<std::u16string> SplitIdItems(std::u16string_view text) {
    return ParseDelimitedList(text);
}

void AddDeviceBlock(ReportText& report, const TDeviceItem& item, int index,
                    const DeviceTextFormat& format) {
    report.Add(u"#" + ToText(index));
    report.Add(u"[Device]");
    report.Add(u" Key  = " + item.Key);
    report.Add(u" Type = " + item.ClassGuid + u" " + item.ClassName);
    report.Add(u" Name = " + item.Name);
    report.Add(u" Date.D = " + GeneralNumberText(item.DriverDate, format.DecimalSeparator));
    report.Add(u" InDa.D = " + GeneralNumberText(item.InstallDate, format.DecimalSeparator));
    report.Add(u" Date = " + DeviceDateText(item.DriverDate, format));
    report.Add(u" InDa = " + DeviceDateText(item.InstallDate, format));
    report.Add(u" Vern = " + item.DriverVersion);
    report.Add(u" Prvd = " + item.DriverProvider);
    report.Add(u" Plug = " + BoolText(item.PlugState));
    report.Add(u" Prob = " + ToText(item.ProblemNumber));
    report.Add(u" Code = " + ToText(item.ProblemCode));
    report.Add(u" Rein = " + BoolText(item.Reinstall));
    report.Add(u" Inst = " + item.InstanceId);
    report.Add(u" Stat = " + ToText(item.InstallState));
    report.Add(u" Roll = " + BoolText(item.Rollback));
    report.Add(u" Dch  = " + BoolText(item.IsDch));
    report.Add(u"[HardID]");
    AddIdItems(report, item.HardwareIds);
    report.Add(u"[CompID]");
    AddIdItems(report, item.CompatibleIds);
    report.Add(u"[MatchID]");
    report.Add(u" " + UpperAscii(item.MatchingId));
    report.Add(u"");
}

ReportText BuildDeviceListReport(const DeviceEnumerator& enumerate,
                                 const DeviceTextFormat& format) {
    TList<PDeviceItem> list;
    const DeviceRecordsOwner owner(list);
    enumerate(list);
    SortByDate(&list);
    ReportText report;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Items(i)) {
            AddDeviceBlock(report, *list.Items(i), i, format);
        }
    }
    return report;
}

} // namespace pv
