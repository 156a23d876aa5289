#pragma once
// UTF-16 text helpers shared by every subsystem. Text is std::u16string in UTF-16 code units, as
// Windows counts them; conversion to wchar_t happens only at the Win32 boundary.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

// UTF-16 surrogate halves: a high one followed by a low one is one code point.
constexpr bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Appends one code point (at most U+10FFFF, not a surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// Lossless for valid UTF-16; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);
// Widens bytes 0..0x7F one to one (ASCII literals and digits).
std::u16string FromAscii(std::string_view text);

// Case folding of the letters A-Z only, as the product's own comparisons do.
char16_t UpperAscii(char16_t c);
std::u16string UpperAscii(std::u16string_view text);
std::u16string LowerAscii(std::u16string_view text);
bool EqualsIgnoreCaseAscii(std::u16string_view a, std::u16string_view b);

// Leading and trailing code units <= U+0020 removed.
std::u16string Trim(std::u16string_view text);

// Adds a trailing backslash unless the text is empty or already ends in one.
std::u16string WithTrailingBackslash(std::u16string_view folder);
// Everything after the last backslash, slash or colon.
std::u16string FileNamePart(std::u16string_view path);
// Everything up to and including the last backslash or colon; empty when there is none.
std::u16string FolderPart(std::u16string_view path);
// From the last "." of the file-name part to the end, the dot included; empty when there is none.
std::u16string ExtensionPart(std::u16string_view path);

// Decimal text of an integer.
std::u16string ToText(long long value);
// The low `digits` hexadecimal digits of `value`, upper case, most significant first, zero-padded.
std::u16string HexDigits(unsigned long long value, int digits);
// The product's non-strict delimited-list parse: "," delimits, double quotes group (two quotes
// inside stand for one), blanks and control characters also separate, a trailing "," adds an
// empty item; the text ends at its first NUL.
std::vector<std::u16string> ParseDelimitedList(std::u16string_view text);

} // namespace pv

#ifdef _WIN32
namespace pv {
inline const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline wchar_t* W(char16_t* s) {
    return reinterpret_cast<wchar_t*>(s);
}
inline std::u16string U16(const wchar_t* s) {
    return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string U16(const wchar_t* s, size_t count) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), count);
}

} // namespace pv
#endif
