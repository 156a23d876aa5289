#include "devices/DeviceFields.h"
#include "platform/Text.h"

namespace pv {

namespace {

char16_t Unit(const std::vector<uint8_t>& data, size_t index) {
    return static_cast<char16_t>(data[2 * index] | (data[2 * index + 1] << 8));
}

uint64_t LittleEndian(const std::vector<uint8_t>& data, size_t bytes) {
    uint64_t value = 0;
    for (size_t i = bytes; i-- > 0;) {
        value = value << 8 | data[i];
    }
    return value;
}

} // namespace

std::u16string PropertyText(const std::vector<uint8_t>& data) {
    std::u16string out;
    const size_t units = data.size() / 2;
    for (size_t i = 0; i < units && Unit(data, i) != 0; ++i) {
        out += Unit(data, i);
    }
    return out;
}

std::u16string PropertyList(const std::vector<uint8_t>& data) {
    std::u16string out;
    const size_t units = data.size() / 2;
    size_t i = 0;
    while (i < units && Unit(data, i) != 0) {
        if (!out.empty()) {
            out += u',';
        }
        for (; i < units && Unit(data, i) != 0; ++i) {
            out += Unit(data, i);
        }
        ++i; // the NUL that closes this text
    }
    return out;
}

uint32_t PropertyDword(uint32_t type, const std::vector<uint8_t>& data) {
    constexpr uint32_t kRegDword = 4;
    return type == kRegDword && data.size() == 4 ? static_cast<uint32_t>(LittleEndian(data, 4)) : 0;
}

uint32_t DevicePropertyDword(const std::vector<uint8_t>& data) {
    return data.size() >= 4 ? static_cast<uint32_t>(LittleEndian(data, 4)) : 0;
}

double DevicePropertyDate(const std::vector<uint8_t>& data) {
    return data.size() >= 8 ? FileTimeToUtcDateTime(LittleEndian(data, 8)) : 0;
}

std::u16string DevicePropertyText(const DevPropValue& value) {
    return value.Type == kDevPropTypeString ? PropertyText(value.Data) : std::u16string();
}

uint32_t DevicePropertyDword(const DevPropValue& value) {
    return value.Type == kDevPropTypeUint32 ? DevicePropertyDword(value.Data) : 0;
}

double DevicePropertyDate(const DevPropValue& value) {
    return value.Type == kDevPropTypeFileTime ? DevicePropertyDate(value.Data) : 0;
}

double DriverDateDataDate(const std::vector<uint8_t>& data) {
    return data.size() == 8 ? FileTimeToUtcDateTime(LittleEndian(data, 8)) : 0;
}

double FileTimeToUtcDateTime(uint64_t fileTime) {
    constexpr uint64_t kMsPerDay = 86400000;
    constexpr int64_t kDaysFrom1601To1899 = 109205; // 1601-01-01 .. 1899-12-30
    constexpr int64_t kLastDay = 2958465;           // 9999-12-31
    if (fileTime == 0) {
        return 0;
    }
    const uint64_t ms = fileTime / 10000;
    const int64_t day = static_cast<int64_t>(ms / kMsPerDay) - kDaysFrom1601To1899;
    if (day > kLastDay) {
        return 0;
    }
    const double time = static_cast<double>(ms % kMsPerDay) / static_cast<double>(kMsPerDay);
    // Before 1899 the time of day still counts forward from the (negative) day number.
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

std::u16string DriverKeyPath(std::u16string_view driverValue) {
    const std::u16string driver = Trim(driverValue);
    return driver.empty() ? std::u16string() : kDriverClassRoot + driver;
}

std::u16string MatchingIdFrom(std::u16string_view property, std::u16string_view driverKeyValue) {
    return UpperAscii(Trim(property.empty() ? driverKeyValue : property));
}

std::u16string DriverTextFrom(std::u16string_view property, std::u16string_view driverKeyValue) {
    return property.empty() ? Trim(driverKeyValue) : std::u16string(property);
}

std::u16string ClassGuidOrDefault(std::u16string_view classGuid) {
    std::u16string guid = Trim(classGuid);
    return guid.empty() ? std::u16string(kDefaultClassGuid) : guid;
}

std::u16string ClassNameOrUnknown(std::u16string_view className) {
    std::u16string name = Trim(className);
    return name.empty() ? std::u16string(kUnknownClassName) : name;
}

} // namespace pv
