#include "platform/ReportText.h"

namespace pv {

std::string Utf16LeBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

std::string ReportText::Bytes() const {
    std::string out("\xFF\xFE", 2);
    for (const auto& line : lines_) {
        out += Utf16LeBytes(line);
        out += Utf16LeBytes(u"\r\n");
    }
    return out;
}

} // namespace pv
