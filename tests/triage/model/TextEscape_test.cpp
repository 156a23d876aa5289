#include "triage/model/TextEscape.h"

#include <gtest/gtest.h>

namespace pv::triage {
namespace {

const std::string Fffd = "\xEF\xBF\xBD";

TEST(TextEscape, InvalidUtf8BecomesReplacementCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"}, // two- and four-byte
        {"\xFF", Fffd},
        {"\xC0\xAF", Fffd + Fffd},                       // overlong "/"
        {"\xED\xA0\x80", Fffd + Fffd + Fffd},            // a UTF-16 surrogate
        {"ab\xE2\x82", "ab" + Fffd + Fffd},              // cut short at the end
        {"\xF4\x90\x80\x80", Fffd + Fffd + Fffd + Fffd}, // past U+10FFFF
        {std::string("nul\0in", 6), std::string("nul\0in", 6)},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(ValidUtf8(input), expected) << input;
}

TEST(TextEscape, JsonStringsEscapeEverythingJsonAndJavaScriptNeed) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "\"\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\Windows", "\"C:\\\\Windows\""},
        {"a\r\nb\tc", "\"a\\r\\nb\\tc\""},
        {std::string("\0\x1B\x7F", 3), "\"\\u0000\\u001b\\u007f\""},
        {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
        {"bad \xFF byte", "\"bad " + Fffd + " byte\""},
        {"</script>", "\"</script>\""},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(JsonString(input), expected) << input;
}

TEST(TextEscape, HtmlTextEscapesMarkupQuotesAndControls) {
    const std::pair<std::string, std::string> cases[] = {
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"a & b \"c\"", "a &amp; b &quot;c&quot;"},
        {"&amp;", "&amp;amp;"},
        {"line\nnext\ttab", "line\nnext\ttab"},
        {"bell\x07", "bell" + Fffd},
        {"\xFF", Fffd},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(HtmlText(input), expected) << input;
}

TEST(TextEscape, PrintableTextCannotDriveATerminal) {
    const std::pair<std::string, std::string> cases[] = {
        {"\x1B[2J\x1B]0;title\x07", "?[2J?]0;title?"},
        {"csi \xC2\x9B"
         "31m",
         "csi ?31m"},                                // the one-character C1 form
        {"evil\xE2\x80\xAEtxt.exe", "evil?txt.exe"}, // right-to-left override
        {"tab\there\r\n", "tab?here??"},
        {"Ger\xC3\xA4t", "Ger\xC3\xA4t"},
        {"\xFF", Fffd},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(PrintableText(input), expected) << input;
}

} // namespace
} // namespace pv::triage
