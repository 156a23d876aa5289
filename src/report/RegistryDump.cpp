#include "report/RegistryDump.h"
#include "platform/RegistryData.h"
#include "platform/Text.h"

namespace pv {

std::u16string RegistryValueText(uint32_t type, const std::vector<uint8_t>& data) {
    if (data.empty()) {
        return {};
    }
    if (type == kRegSz || type == kRegExpandSz) {
        return DecodeRegString(type, data);
    }
    if ((type == kRegDword || type == kRegDwordBigEndian) && data.size() == 4) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int shift = type == kRegDword ? 8 * i : 8 * (3 - i);
            value |= static_cast<uint32_t>(data[static_cast<size_t>(i)]) << shift;
        }
        return ToText(value);
    }
    if (type == kRegQword && data.size() == 8) {
        uint64_t value = 0;
        for (size_t i = 0; i < 8; ++i) {
            value |= static_cast<uint64_t>(data[i]) << (8 * i);
        }
        // ToText takes a signed number; above that range write the digits ourselves.
        std::u16string digits;
        do {
            digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
            value /= 10;
        } while (value != 0);
        return digits;
    }
    std::u16string text;
    for (const uint8_t b : data) {
        if (!text.empty()) {
            text += u' ';
        }
        text += HexDigits(b, 2);
    }
    return text;
}

ReportText RegistryDumpLines(const std::u16string& ftype, const std::u16string& shareid,
                             const std::u16string& shareId2) {
    ReportText report;
    report.Add(u"ftype=" + ftype);
    report.Add(u"shareid=" + shareid);
    report.Add(u"share_id=" + shareId2);
    return report;
}

} // namespace pv
