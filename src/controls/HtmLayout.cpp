// Layout of label mark-up: the token walk that feeds tags and text runs to the builder.
#include "controls/HtmLayout.h"
#include "controls/HtmLayoutBuilder.h"
#include <climits>

namespace pv {

namespace htm {

LayoutBuilder::LayoutBuilder(ICanvas& canvas, const TLayoutOptions& options,
                             const std::vector<TLinkStyle>& links, int hoverIndex, THtmLayout& out)
    : canvas_(canvas), options_(options), links_(links), hover_(hoverIndex), out_(out) {
    width_ = out.TextRect.Width();
    align_ = options.Alignment;
    out_.Truncated.assign(links.size(), false);
}

void LayoutBuilder::Run(std::u16string_view text, const TFontData& font) {
    style_.Font = font;
    if (options_.Markup) {
        TMarkupReader reader(text);
        TMarkupToken token;
        while (reader.Next(token)) {
            if (token.IsTag) {
                Tag(token);
            } else if (hidden_ == 0) {
                AddRun(token.Text);
            }
        }
    } else {
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
                AddRun(text.substr(start, i - start));
                if (i < text.size()) {
                    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                        ++i;
                    }
                    FinishLine();
                }
                start = i + 1;
            }
        }
    }
    if (!line_.Pieces.empty() || line_.HasRule) {
        FinishLine();
    }
    Place();
}

} // namespace htm

THtmLayout LayoutMarkup(ICanvas& canvas, std::u16string_view text, const TFontData& font,
                        const TLayoutOptions& options, const TRect& textRect,
                        const std::vector<TLinkStyle>& links, int hoverIndex) {
    THtmLayout out;
    out.TextRect = textRect;
    if (options.AutoSize) {
        out.TextRect.Bottom = INT_MAX / 4;
    }
    htm::LayoutBuilder builder(canvas, options, links, hoverIndex, out);
    builder.SetAccelerators(options.Accelerators);
    builder.Run(text, font);
    if (options.AutoSize) {
        out.TextRect.Bottom = out.TextRect.Top + out.TextHeight;
    }
    return out;
}

} // namespace pv
