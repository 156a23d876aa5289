#include "controls/MarkupReader.h"
#include "platform/Text.h"

namespace pv {

namespace {

bool ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
    bool changed = false;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::u16string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
        changed = true;
    }
    return changed;
}

struct Entity {
    std::u16string_view from;
    std::u16string_view to;
};

constexpr Entity kCaptionEntities[] = {
    {u"&amp;", u"&&"},        {u"&quot;", u"\""},      {u"&sect;", u"\u00A7"},
    {u"&permil;", u"\u2030"}, {u"&reg;", u"\u00AE"},   {u"&copy;", u"\u00A9"},
    {u"&para;", u"\u00B6"},   {u"&trade;", u"\u2122"}, {u"&euro;", u"\u20AC"},
};

char16_t UpperAt(std::u16string_view s, size_t i) {
    return i < s.size() ? UpperAscii(s[i]) : u'\0';
}

} // namespace

TPreprocessedMarkup PreprocessMarkup(std::u16string_view caption, bool showAccelChar) {
    TPreprocessedMarkup out;
    out.Text.assign(caption);
    out.Accelerators = showAccelChar && caption.find(u" & ") == std::u16string_view::npos;

    if (out.Text.find(u'&') != std::u16string::npos) {
        // Every replacement shortens the text, so the repetition ends.
        bool changed = true;
        while (changed) {
            changed = false;
            for (const auto& e : kCaptionEntities) {
                changed = ReplaceAll(out.Text, e.from, e.to) || changed;
            }
        }
    }

    size_t pos = 0;
    while ((pos = out.Text.find(u"<#", pos)) != std::u16string::npos) {
        out.Text.erase(pos, 1);
        const size_t close = out.Text.find(u'>', pos);
        if (close != std::u16string::npos) {
            out.Text.erase(close, 1);
        }
    }

    std::u16string broken;
    broken.reserve(out.Text.size());
    for (size_t i = 0; i < out.Text.size(); ++i) {
        if (out.Text[i] == u'\r') {
            broken += u"<BR>";
            if (i + 1 < out.Text.size() && out.Text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            broken += out.Text[i];
        }
    }
    out.Text = std::move(broken);
    return out;
}

std::u16string ShownRunText(std::u16string_view run, bool accelerators, std::vector<bool>* marked) {
    std::u16string shown;
    shown.reserve(run.size());
    for (size_t i = 0; i < run.size(); ++i) {
        bool accelerator = false;
        if (accelerators && run[i] == u'&') {
            if (i + 1 >= run.size()) {
                break;
            }
            ++i;
            accelerator = run[i] != u'&';
        }
        shown += run[i];
        if (marked) {
            marked->push_back(accelerator);
        }
    }
    return shown;
}

std::u16string ReplaceRunEntities(std::u16string_view run) {
    std::u16string text(run);
    if (text.find(u'&') == std::u16string::npos) {
        return text;
    }
    ReplaceAll(text, u"&nbsp;", u" ");
    ReplaceAll(text, u"&lt;", u"<");
    ReplaceAll(text, u"&gt;", u">");
    return text;
}

bool TMarkupReader::Next(TMarkupToken& token) {
    token = TMarkupToken{};
    if (rest_.empty()) {
        return false;
    }
    if (rest_[0] != u'<') {
        const size_t lt = rest_.find(u'<');
        const size_t len = lt == std::u16string_view::npos ? rest_.size() : lt;
        token.Text = ReplaceRunEntities(rest_.substr(0, len));
        rest_.remove_prefix(len);
        return true;
    }
    const size_t gt = rest_.find(u'>');
    if (rest_.size() <= 2 || gt == std::u16string_view::npos) {
        rest_ = {};
        return false;
    }
    const std::u16string_view tag = rest_.substr(0, gt + 1);
    rest_.remove_prefix(gt + 1);
    token.IsTag = true;
    token.Closing = tag.size() >= 4 && tag[1] == u'/';
    token.Text.assign(tag.substr(1, tag.size() - 2));
    token.Kind = IdentifyTag(token.Closing ? std::u16string_view(token.Text).substr(1)
                                           : std::u16string_view(token.Text));
    return true;
}

TTagKind IdentifyTag(std::u16string_view body) {
    const char16_t c0 = UpperAt(body, 0);
    const char16_t c1 = UpperAt(body, 1);
    const char16_t c2 = UpperAt(body, 2);
    switch (c0) {
    case u'A':
        return TTagKind::Anchor;
    case u'B':
        if (c1 == u'R') {
            return TTagKind::Break;
        }
        if (c1 == u'O') {
            return TTagKind::Body;
        }
        return TTagKind::Bold;
    case u'I':
        if (c1 == u'M') {
            return TTagKind::Image;
        }
        if (c1 == u'N') {
            return TTagKind::Indent;
        }
        return TTagKind::Italic;
    case u'U':
        return c1 == u'L' ? TTagKind::UnorderedList : TTagKind::Underline;
    case u'S':
        if (c1 == u'H') {
            return TTagKind::Shadow;
        }
        if (c1 == u'U' && c2 == u'B') {
            return TTagKind::Sub;
        }
        if (c1 == u'U' && c2 == u'P') {
            return TTagKind::Sup;
        }
        if (c1 == u'P') {
            return TTagKind::Span;
        }
        return TTagKind::Strike;
    case u'F':
        return TTagKind::Font;
    case u'P':
        return TTagKind::Paragraph;
    case u'H':
        if (c1 == u'I') {
            return TTagKind::Highlight;
        }
        if (c1 == u'R') {
            return TTagKind::Rule;
        }
        return TTagKind::Unknown;
    case u'E':
        return TTagKind::ErrorMark;
    case u'Z':
        return TTagKind::Hidden;
    case u'L':
        return TTagKind::ListItem;
    case u'O':
        if (c1 == u'L') {
            return TTagKind::OrderedList;
        }
        if (c1 == u'F') {
            return TTagKind::Offset;
        }
        return TTagKind::Unknown;
    case u'R':
        return TTagKind::Rotate;
    default:
        return TTagKind::Unknown;
    }
}

std::optional<std::u16string> ReadAttribute(std::u16string_view tag, std::u16string_view name,
                                            bool keepCase) {
    const std::u16string upper = UpperAscii(tag);
    const size_t at = upper.find(name);
    if (at == std::u16string::npos) {
        return std::nullopt;
    }
    size_t pos = upper.find(u'=', at + name.size());
    if (pos == std::u16string::npos) {
        return std::nullopt;
    }
    ++pos;
    while (pos < upper.size() && upper[pos] == u' ') {
        ++pos;
    }
    const std::u16string_view source = keepCase ? tag : std::u16string_view(upper);
    size_t end;
    if (pos < upper.size() && upper[pos] == u'"') {
        ++pos;
        end = upper.find(u'"', pos);
        if (end == std::u16string::npos) {
            end = upper.find(u' ', pos);
        }
    } else {
        end = upper.find(u' ', pos);
    }
    if (end == std::u16string::npos) {
        end = upper.size();
    }
    return std::u16string(source.substr(pos, end - pos));
}

std::optional<int> ParseMarkupInt(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || text[i] < u'0' || text[i] > u'9') {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value < 1000000) {
            value = value * 10 + (text[i] - u'0');
        }
    }
    if (value > 1000000) {
        value = 1000000;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace pv
