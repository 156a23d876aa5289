#pragma once
// Small UTF-8 text helpers the parsers share; ASCII case folding only.
#include <optional>
#include <string>
#include <string_view>

namespace pv::triage {

// Blanks, tabs, CR and NUL removed from both ends.
std::string_view TrimText(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of `needle` in `text` ignoring ASCII case, or npos.
size_t FindNoCase(std::string_view text, std::string_view needle);
std::string LowerText(std::string_view text);
// A decimal integer (optional sign), the whole text; empty on anything else or overflow.
std::optional<long long> ReadInteger(std::string_view text);
// The member name with "\" turned into "/", for comparisons.
std::string NormalMemberName(std::string_view name);

} // namespace pv::triage
