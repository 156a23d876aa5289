#pragma once
// Report bytes to UTF-8 lines. The tool's reports are UTF-16LE with a BOM; the hosts file and the
// driver-installation logs are single-byte text. Bytes come from users' machines, so every shape
// is read without failing: a missing BOM is detected, an odd trailing byte dropped, long lines cut.
#include "triage/model/Model.h"
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pv::triage {

enum class TextEncoding { Utf16Le, Utf16Be, Utf8, Ansi };

// A line longer than this (in decoded UTF-8 bytes) is cut there; the rest of it is skipped.
inline constexpr size_t kDefaultLineCap = 64 * 1024;

class DecodedText {
public:
    TextEncoding Encoding = TextEncoding::Utf16Le;
    bool HadBom = false;
    bool OddLength = false;    // UTF-16 with an odd byte count: the last byte was dropped
    size_t CutLines = 0;       // lines longer than the cap
    int FirstCutLine = 0;      // 1-based, 0 when none was cut
    bool LineLimitHit = false; // kMaxLinesPerMember lines were read and the rest skipped

    size_t LineCount() const { return spans_.size(); }
    // Decoded bytes held for all lines together: what the caps let into memory.
    size_t HeldBytes() const { return text_.size(); }
    // Line i (0-based), without its CR LF or LF.
    std::string_view Line(size_t i) const {
        return std::string_view(text_).substr(spans_[i].first, spans_[i].second);
    }

private:
    friend DecodedText DecodeReportText(std::string_view bytes, size_t lineCap);
    std::string text_;
    std::vector<std::pair<size_t, size_t>> spans_; // offset and length of each line in text_
};

// Detects the encoding (BOM; else UTF-16 when zero bytes sit mostly at odd or even offsets; else
// UTF-8 when valid, else Windows-1252), decodes to UTF-8 and splits on LF, dropping the CR of a
// CR LF. A text that ends with a line break has no empty last line.
DecodedText DecodeReportText(std::string_view bytes, size_t lineCap = kDefaultLineCap);

// Notes on anything unusual the decoding met (no BOM in a UTF-16 report, odd length, cut lines,
// the line limit).
void NoteDecoding(const DecodedText& text, const std::string& member, bool expectUtf16,
                  std::vector<ReadNote>& notes);

// How each parser reads its member: decoded with the default line cap, and noted.
DecodedText DecodeMember(std::string_view bytes, const std::string& member, bool expectUtf16,
                         std::vector<ReadNote>& notes);

} // namespace pv::triage
