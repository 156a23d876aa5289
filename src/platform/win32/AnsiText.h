#pragma once
// Conversion between text and the system's ANSI code page, for bytes other programs write that
// way (the command interpreter's output, ini files without a byte-order mark) and for keys that
// are defined over ANSI bytes.
#include <string>
#include <string_view>

namespace pv {

// Empty for empty input or when the conversion fails.
std::u16string AnsiToText(std::string_view bytes);
// Characters outside the code page become the code page's default character; empty on failure.
std::string TextToAnsi(std::u16string_view text);

} // namespace pv
