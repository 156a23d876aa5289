#pragma once
// Reader of the label mark-up: preprocessing of the caption, the token stream of text runs and
// tags, attribute values and tag identification.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

struct TPreprocessedMarkup {
    std::u16string Text;
    bool Accelerators = true; // "&" marks accelerators in the text runs
};

// Entities, "<#name>" and line breaks of a caption, ready for the token reader. Accelerators are
// switched off when `showAccelChar` is false or the caption holds " & ".
TPreprocessedMarkup PreprocessMarkup(std::u16string_view caption, bool showAccelChar);

// "&nbsp;", "&lt;" and "&gt;" of a text run.
std::u16string ReplaceRunEntities(std::u16string_view run);

// A text run as it is shown: with `accelerators`, "&x" shows "x" and a lone "&" at the end
// nothing. `marked`, when given, gets one flag per shown character: true for an accelerator
// ("&&" shows a plain "&").
std::u16string ShownRunText(std::u16string_view run, bool accelerators,
                            std::vector<bool>* marked = nullptr);

enum class TTagKind {
    Unknown,
    Anchor,    // A
    Bold,      // B
    Italic,    // I
    Underline, // U
    Strike,    // S, ST...
    Font,      // F...
    Break,     // BR
    Paragraph, // P
    Highlight, // HI
    Rule,      // HR
    ErrorMark, // E (zigzag)
    Shadow,    // SHAD
    Sub,       // SUB
    Sup,       // SUP
    Span,      // SPAN
    Hidden,    // Z
    Image,     // IMG
    Indent,    // IND
    ListItem,  // L...
    OrderedList,
    UnorderedList,
    Body,   // BO...
    Rotate, // R
    Offset, // OF
};

struct TMarkupToken {
    bool IsTag = false;
    std::u16string Text;  // a text run with its entities replaced, or the tag without "<" and ">"
    bool Closing = false; // "</...>" of at least four characters
    TTagKind Kind = TTagKind::Unknown;
};

class TMarkupReader {
public:
    explicit TMarkupReader(std::u16string_view text) : rest_(text) {}
    // False when the text is used up. A "<" without a later ">" drops the rest of the text.
    bool Next(TMarkupToken& token);

private:
    std::u16string_view rest_;
};

TTagKind IdentifyTag(std::u16string_view tagBody);

// The value of attribute `name` (upper case) in a tag: the name is searched anywhere in the
// upper-cased tag text, the value follows the first "=" after it. With `keepCase` the value keeps
// the tag's own letters; otherwise it is upper case. Empty optional: the name or its "=" is
// missing.
std::optional<std::u16string> ReadAttribute(std::u16string_view tag, std::u16string_view name,
                                            bool keepCase = false);

// A decimal integer with an optional sign and leading blanks, clamped to +-1000000; the digits
// may be followed by anything. Empty optional when there is no digit.
std::optional<int> ParseMarkupInt(std::u16string_view text);

} // namespace pv
