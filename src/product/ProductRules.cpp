#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "product/AppConfig.h"
#include "platform/Calendar.h"

namespace pv {

const std::vector<std::u16string>& EditionKeys() {
    static const auto* keys = [] {
        auto* list = new std::vector<std::u16string>();
        for (const char16_t* number : {u"612830", u"684470", u"739520", u"796110"}) {
            const std::u16string tail =
                std::u16string(u"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumen App ") +
                number;
            list->push_back(u"SOFTWARE\\" + tail);
            list->push_back(u"SOFTWARE\\Wow6432Node\\" + tail);
        }
        return list;
    }();
    return *keys;
}

std::u16string FolderFromDisplayIcon(uint32_t type, const std::vector<uint8_t>& data) {
    if (!IsStringType(type)) {
        return {};
    }
    return FolderPart(DecodeRegString(type, data));
}

std::u16string EditionFolderFromLocation(const std::u16string& location) {
    return WithTrailingBackslash(location);
}

namespace {

// Reads 1..maxDigits decimal digits at `pos`; false when there is none.
bool ReadNumber(std::u16string_view text, size_t& pos, size_t maxDigits, int& value,
                size_t* digits = nullptr) {
    size_t count = 0;
    value = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9' && count < maxDigits) {
        value = value * 10 + (text[pos] - u'0');
        ++pos;
        ++count;
    }
    if (digits != nullptr) {
        *digits = count;
    }
    return count > 0 && !(pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9');
}

bool Expect(std::u16string_view text, size_t& pos, char16_t c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

double ParseInstDate1(const std::u16string& raw) {
    const std::u16string text = Trim(raw);
    const std::u16string_view t(text);
    size_t pos = 0;
    int month = 0, day = 0, year = 0;
    size_t yearDigits = 0;
    if (!ReadNumber(t, pos, 2, month) || !Expect(t, pos, u'/') || !ReadNumber(t, pos, 2, day) ||
        !Expect(t, pos, u'/') || !ReadNumber(t, pos, 4, year, &yearDigits) || yearDigits < 3) {
        return 0;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return 0;
    }
    int hour = 0, minute = 0, second = 0;
    if (pos < t.size()) {
        if (t[pos] != u' ') {
            return 0;
        }
        while (pos < t.size() && t[pos] == u' ') {
            ++pos;
        }
        if (!ReadNumber(t, pos, 2, hour) || !Expect(t, pos, u':') ||
            !ReadNumber(t, pos, 2, minute)) {
            return 0;
        }
        if (Expect(t, pos, u':') && !ReadNumber(t, pos, 2, second)) {
            return 0;
        }
        if (hour > 23 || minute > 59 || second > 59) {
            return 0;
        }
    }
    const double days = static_cast<double>(DayNumberFromCivil(year, month, day));
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before the epoch the fraction still counts forward from midnight of that day.
    return days < 0 ? days - fraction : days + fraction;
}

double CombineInstallDate(double settingsDate, uint32_t registryDays) {
    const double registry = static_cast<double>(registryDays);
    if (settingsDate == 0) {
        return registry;
    }
    if (registryDays == 0) {
        return settingsDate;
    }
    return settingsDate < registry ? settingsDate : registry;
}

} // namespace pv
