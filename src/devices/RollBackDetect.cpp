#include "devices/RollBackDetect.h"
#include "platform/Text.h"

namespace pv {

RollbackMethod RollbackMethodFor(uint32_t osFlag) {
    switch (osFlag) {
    case 0x1:
    case 0x2:
        return RollbackMethod::Registry;
    case 0x8:
    case 0x10:
    case 0x40:
    case 0x80:
    case 0x200:
    case 0x400:
    case 0x200000:
    case 0x400000:
    case 0x1000000:
    case 0x2000000:
        return RollbackMethod::Property;
    default:
        return RollbackMethod::None;
    }
}

std::u16string StrongNameText(const std::vector<uint8_t>& data) {
    constexpr size_t kMaxChars = 512;
    std::u16string text;
    for (size_t i = 0; i + 1 < data.size() && text.size() < kMaxChars; i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            break;
        }
        text += c;
    }
    return text;
}

bool StrongNameOf(const DevPropValue& value, std::u16string& strongName) {
    if (value.Type != kDevPropTypeString) {
        return false;
    }
    strongName = StrongNameText(value.Data);
    return true;
}

std::u16string StrongNameFirstPiece(std::u16string_view strongName) {
    return std::u16string(strongName.substr(0, strongName.find(u':')));
}

bool SameInstanceId(std::u16string_view a, std::u16string_view b) {
    return UpperAscii(a) == UpperAscii(b);
}

std::u16string ReinstallInstanceIdOrBlanks(std::u16string_view value) {
    return value.empty() ? std::u16string(u"     ") : std::u16string(value);
}

} // namespace pv
