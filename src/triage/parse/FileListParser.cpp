// FileList*.txt: one "<path>, <size>, <version>, <digest>" line per file.
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"

namespace pv::triage {

namespace {

// "FileList.txt" is the main edition, "FileList_beta.txt" the beta, "FileList_lumen3.txt" ...
std::string EditionOf(std::string_view member) {
    const size_t slash = member.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? member : member.substr(slash + 1);
    if (EndsWithNoCase(name, ".txt")) {
        name.remove_suffix(4);
    }
    if (StartsWithNoCase(name, "FileList")) {
        name.remove_prefix(8);
    }
    if (!name.empty() && name.front() == '_') {
        name.remove_prefix(1);
    }
    return name.empty() ? "main" : LowerText(name);
}

} // namespace

EditionFiles ParseFileList(std::string_view bytes, const std::string& member,
                           std::vector<ReadNote>& notes) {
    EditionFiles files;
    files.Member = member;
    files.Edition = EditionOf(member);
    const DecodedText text = DecodeMember(bytes, member, true, notes);
    for (size_t i = 0; i < text.LineCount(); ++i) {
        const std::string_view line = text.Line(i);
        if (TrimText(line).empty()) {
            continue;
        }
        ++files.Files;
        // The path may hold ", " itself; the digest is whatever follows the last separator.
        const size_t last = line.rfind(',');
        if (last == std::string_view::npos || TrimText(line.substr(last + 1)).empty()) {
            ++files.WithoutDigest;
        }
    }
    return files;
}

} // namespace pv::triage
