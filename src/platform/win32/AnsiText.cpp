#include "platform/win32/AnsiText.h"
#include <windows.h>

namespace pv {

std::u16string AnsiToText(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int count = static_cast<int>(bytes.size());
    const int units = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
    if (units <= 0) {
        return {};
    }
    std::u16string text(static_cast<size_t>(units), u'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, reinterpret_cast<wchar_t*>(text.data()),
                          units);
    return text;
}

std::string TextToAnsi(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int units = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), bytes, nullptr, nullptr);
    return out;
}

} // namespace pv
