// pvreg.txt: "ftype=", "shareid=" and "share_id=" lines.
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"

namespace pv::triage {

std::vector<std::string> ParseRegistryDump(std::string_view bytes, const std::string& member,
                                           std::vector<ReadNote>& notes) {
    std::vector<std::string> values;
    const DecodedText text = DecodeMember(bytes, member, true, notes);
    for (size_t i = 0; i < text.LineCount(); ++i) {
        const std::string_view line = TrimText(text.Line(i));
        if (line.empty()) {
            continue;
        }
        if (values.size() >= kMaxRegistryValues) {
            NoteLimit(notes, member, static_cast<int>(i) + 1, "lines", kMaxRegistryValues);
            break;
        }
        values.emplace_back(line);
    }
    return values;
}

} // namespace pv::triage
