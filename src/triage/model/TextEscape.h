#pragma once
// Text from a received archive is untrusted: it may hold invalid UTF-8, terminal control
// sequences, mark-up or quotes. Every output goes through one of these before it is written.
#include <string>
#include <string_view>

namespace pv::triage {

// Invalid UTF-8 (bad sequences, overlong forms, surrogates) replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// For a terminal: valid UTF-8 with control characters (C0, DEL, C1) and bidirectional
// overrides replaced by "?", so that no byte of the archive can drive the terminal.
std::string PrintableText(std::string_view text);

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// Text for an HTML element or a quoted attribute value.
std::string HtmlText(std::string_view text);

} // namespace pv::triage
