#include "controls/MarkupPlainText.h"
#include "controls/MarkupReader.h"

namespace pv {

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool BreaksLine(TTagKind kind) {
    return kind == TTagKind::Break || kind == TTagKind::Paragraph || kind == TTagKind::Rule;
}

bool EndsWithBreak(const std::u16string& text) {
    return text.size() >= kLineBreak.size() &&
           std::u16string_view(text).substr(text.size() - kLineBreak.size()) == kLineBreak;
}

} // namespace

std::u16string PlainTextOfMarkup(std::u16string_view caption, bool showAccelChar) {
    const TPreprocessedMarkup markup = PreprocessMarkup(caption, showAccelChar);
    std::u16string out;
    int hidden = 0;
    TMarkupReader reader(markup.Text);
    TMarkupToken token;
    while (reader.Next(token)) {
        if (!token.IsTag) {
            if (hidden == 0) {
                out += ShownRunText(token.Text, markup.Accelerators);
            }
        } else if (token.Kind == TTagKind::Hidden) {
            hidden = token.Closing ? (hidden > 0 ? hidden - 1 : 0) : hidden + 1;
        } else if (BreaksLine(token.Kind) && !token.Closing && hidden == 0 && !out.empty() &&
                   !EndsWithBreak(out)) {
            out += kLineBreak;
        }
    }
    while (EndsWithBreak(out)) {
        out.resize(out.size() - kLineBreak.size());
    }
    return out;
}

} // namespace pv
