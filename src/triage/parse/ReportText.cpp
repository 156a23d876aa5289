#include "triage/parse/ReportText.h"
#include "platform/Text.h"
#include "triage/model/Limits.h"
#include "triage/model/TextTools.h"
#include <algorithm>
#include <cstdint>

namespace pv::triage {

namespace {

constexpr size_t kSniffBytes = 64 * 1024;
constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 at 0x80..0x9F; the five undefined positions map to U+FFFD.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

uint8_t Byte(std::string_view bytes, size_t i) {
    return static_cast<uint8_t>(bytes[i]);
}

bool IsValidUtf8(std::string_view bytes) {
    char32_t cp = 0;
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = Utf8SequenceAt(bytes, i, cp);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

// Zero bytes mostly at odd offsets: UTF-16LE text of mainly Latin characters; at even offsets, BE.
TextEncoding SniffEncoding(std::string_view bytes) {
    const size_t n = std::min(bytes.size(), kSniffBytes) & ~size_t{1};
    size_t zeroEven = 0;
    size_t zeroOdd = 0;
    for (size_t i = 0; i < n; i += 2) {
        zeroEven += Byte(bytes, i) == 0 ? 1 : 0;
        zeroOdd += Byte(bytes, i + 1) == 0 ? 1 : 0;
    }
    const size_t pairs = n / 2;
    if (pairs > 0 && zeroOdd * 10 >= pairs * 3 && zeroEven * 20 <= pairs) {
        return TextEncoding::Utf16Le;
    }
    if (pairs > 0 && zeroEven * 10 >= pairs * 3 && zeroOdd * 20 <= pairs) {
        return TextEncoding::Utf16Be;
    }
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

// Collects code points into capped lines.
class LineBuilder {
public:
    LineBuilder(std::string& text, std::vector<std::pair<size_t, size_t>>& spans, size_t cap)
        : text_(text), spans_(spans), cap_(cap) {}

    // True once the line limit is reached: the caller stops decoding.
    bool Full() const { return spans_.size() >= kMaxLinesPerMember; }

    void Add(char32_t cp) {
        if (cp == U'\n') {
            EndLine();
            return;
        }
        if (cut_) {
            return;
        }
        const size_t len = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        // A CR is held back: it belongs to the line break when an LF follows it.
        if (text_.size() - start_ + len + (pendingCr_ ? 1 : 0) > cap_) {
            cut_ = true;
            pendingCr_ = false;
            return;
        }
        if (pendingCr_) {
            text_ += '\r';
            pendingCr_ = false;
        }
        if (cp == U'\r') {
            pendingCr_ = true;
            return;
        }
        AppendUtf8(text_, cp);
    }

    void Finish() {
        if (!Full() && (text_.size() > start_ || pendingCr_ || cut_)) {
            EndLine();
        }
    }

    size_t CutLines = 0;
    int FirstCutLine = 0;

private:
    void EndLine() {
        spans_.emplace_back(start_, text_.size() - start_);
        if (cut_) {
            ++CutLines;
            if (FirstCutLine == 0) {
                FirstCutLine = static_cast<int>(spans_.size());
            }
        }
        start_ = text_.size();
        pendingCr_ = false;
        cut_ = false;
    }

    std::string& text_;
    std::vector<std::pair<size_t, size_t>>& spans_;
    size_t cap_;
    size_t start_ = 0;
    bool pendingCr_ = false;
    bool cut_ = false;
};

// Each decoder returns true when it stopped at the line limit with input left.
bool DecodeUtf16(std::string_view bytes, bool bigEndian, LineBuilder& out) {
    const size_t units = bytes.size() / 2;
    auto unit = [&](size_t k) -> char32_t {
        const uint8_t lo = Byte(bytes, 2 * k + (bigEndian ? 1 : 0));
        const uint8_t hi = Byte(bytes, 2 * k + (bigEndian ? 0 : 1));
        return static_cast<char32_t>(lo | (hi << 8));
    };
    size_t k = 0;
    for (; k < units && !out.Full(); ++k) {
        char32_t cp = unit(k);
        if (IsHighSurrogate(cp) && k + 1 < units && IsLowSurrogate(unit(k + 1))) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
            cp = kReplacement;
        }
        out.Add(cp);
    }
    return k < units;
}

bool DecodeUtf8(std::string_view bytes, LineBuilder& out) {
    size_t i = 0;
    while (i < bytes.size() && !out.Full()) {
        char32_t cp = 0;
        const size_t len = Utf8SequenceAt(bytes, i, cp);
        if (len == 0) {
            out.Add(kReplacement);
            ++i;
        } else {
            out.Add(cp);
            i += len;
        }
    }
    return i < bytes.size();
}

bool DecodeAnsi(std::string_view bytes, LineBuilder& out) {
    size_t i = 0;
    for (; i < bytes.size() && !out.Full(); ++i) {
        const uint8_t b = Byte(bytes, i);
        out.Add(b >= 0x80 && b < 0xA0 ? char32_t{kCp1252High[b - 0x80]} : char32_t{b});
    }
    return i < bytes.size();
}

} // namespace

DecodedText DecodeReportText(std::string_view bytes, size_t lineCap) {
    DecodedText result;
    if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) {
        result.Encoding = TextEncoding::Utf16Le;
        result.HadBom = true;
        bytes.remove_prefix(2);
    } else if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFE && Byte(bytes, 1) == 0xFF) {
        result.Encoding = TextEncoding::Utf16Be;
        result.HadBom = true;
        bytes.remove_prefix(2);
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        result.Encoding = TextEncoding::Utf8;
        result.HadBom = true;
        bytes.remove_prefix(3);
    } else {
        result.Encoding = SniffEncoding(bytes);
    }

    LineBuilder out(result.text_, result.spans_, lineCap);
    switch (result.Encoding) {
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
        if (bytes.size() % 2 != 0) {
            result.OddLength = true;
            bytes.remove_suffix(1);
        }
        result.text_.reserve(bytes.size() / 2);
        result.LineLimitHit = DecodeUtf16(bytes, result.Encoding == TextEncoding::Utf16Be, out);
        break;
    case TextEncoding::Utf8:
        result.text_.reserve(bytes.size());
        result.LineLimitHit = DecodeUtf8(bytes, out);
        break;
    case TextEncoding::Ansi:
        result.text_.reserve(bytes.size());
        result.LineLimitHit = DecodeAnsi(bytes, out);
        break;
    }
    out.Finish();
    result.CutLines = out.CutLines;
    result.FirstCutLine = out.FirstCutLine;
    return result;
}

void NoteDecoding(const DecodedText& text, const std::string& member, bool expectUtf16,
                  std::vector<ReadNote>& notes) {
    if (expectUtf16 && !text.HadBom && text.LineCount() == 0) {
        notes.push_back({"read.encoding", member + " is empty.", {member, 0}});
    } else if (expectUtf16 && !text.HadBom) {
        notes.push_back({"read.encoding",
                         member + " has no byte-order mark; read as " +
                             (text.Encoding == TextEncoding::Utf16Le   ? "UTF-16LE"
                              : text.Encoding == TextEncoding::Utf16Be ? "UTF-16BE"
                              : text.Encoding == TextEncoding::Utf8    ? "UTF-8"
                                                                       : "Windows-1252") +
                             ".",
                         {member, 0}});
    }
    if (text.OddLength) {
        notes.push_back({"read.encoding",
                         member + " has an odd number of bytes; its last byte was dropped.",
                         {member, 0}});
    }
    if (text.LineLimitHit) {
        notes.push_back({"read.limit",
                         member + " has more than " + std::to_string(kMaxLinesPerMember) +
                             " lines; the rest was not read.",
                         {member, static_cast<int>(text.LineCount())}});
    }
    if (text.CutLines > 0) {
        notes.push_back({"read.long_line",
                         member + " has " + std::to_string(text.CutLines) +
                             " line(s) longer than the reader's cap; they were cut.",
                         {member, text.FirstCutLine}});
    }
}

DecodedText DecodeMember(std::string_view bytes, const std::string& member, bool expectUtf16,
                         std::vector<ReadNote>& notes) {
    DecodedText text = DecodeReportText(bytes);
    NoteDecoding(text, member, expectUtf16, notes);
    return text;
}

} // namespace pv::triage
