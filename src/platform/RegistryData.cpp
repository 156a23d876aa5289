#include "platform/RegistryData.h"

namespace pv {

std::u16string DecodeRegString(uint32_t type, const std::vector<uint8_t>& data) {
    if (!IsStringType(type)) {
        return {};
    }
    std::u16string out;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            break;
        }
        out += c;
    }
    return out;
}

std::vector<std::u16string> DecodeRegMultiString(const std::vector<uint8_t>& data) {
    std::vector<std::u16string> out;
    std::u16string current;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            if (!current.empty()) {
                out.push_back(std::move(current));
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        out.push_back(std::move(current));
    }
    return out;
}

bool DecodeRegDword(uint32_t type, const std::vector<uint8_t>& data, uint32_t& value) {
    if (data.size() < 4 || (type != kRegDword && type != kRegDwordBigEndian)) {
        return false;
    }
    value = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
            uint32_t(data[3]) << 24;
    return true;
}

} // namespace pv
