// Splitting, registry text and time-zone text.
#include "sysinfo/AppFuncs.h"

#include "platform/RegistryData.h"
#include "platform/Text.h"

namespace pv {

int SplitByDelimiter(std::u16string_view text, std::u16string_view delimiter,
                     std::vector<std::u16string>& out) {
    out.clear();
    if (Trim(text).empty()) {
        return 0;
    }
    if (delimiter.empty()) {
        out.emplace_back(text);
        return 1;
    }
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(delimiter, start);
        if (at == std::u16string_view::npos) {
            out.emplace_back(text.substr(start));
            break;
        }
        out.emplace_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
    return static_cast<int>(out.size());
}

std::u16string RegistryTextFromBytes(uint32_t type, const std::vector<uint8_t>& data,
                                     const std::u16string& defaultText) {
    std::u16string text;
    if (IsStringType(type)) {
        text = DecodeRegString(type, data);
    } else {
        text.reserve(data.size() / 2);
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        }
    }
    return text.empty() ? defaultText : text;
}

std::u16string TimeZoneTextFor(uint32_t zoneResult, long bias, long standardBias, long daylightBias,
                               const std::u16string& standardName,
                               const std::u16string& daylightName) {
    long total = 0;
    const std::u16string* name = nullptr;
    if (zoneResult == 0 || zoneResult == 1) {
        total = bias + standardBias;
        name = &standardName;
    } else if (zoneResult == 2) {
        total = bias + daylightBias;
        name = &daylightName;
    } else {
        return {};
    }
    const long hours = -(total / 60);
    const long minutes = total % 60 < 0 ? -(total % 60) : total % 60;
    return SafeFormat(u"%s (UTC%.2d:%.2d)", {*name, hours, minutes});
}

} // namespace pv
