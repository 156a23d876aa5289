// MEMORYDMP.txt: per minidump the path, its size, "CreateTime: <date>", "ModifyTime: <date>" and
// two empty lines; the full dump's four lines come after two further empty lines (so a listing
// without minidumps starts with two empty lines).
#include "triage/model/DateText.h"
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"

namespace pv::triage {

namespace {

constexpr std::string_view kCreate = "CreateTime: ";
constexpr std::string_view kModify = "ModifyTime: ";

// Empty lines before a full dump's path: two at the start, four after a minidump's block.
constexpr int kFullDumpGapAtStart = 2;
constexpr int kFullDumpGapAfterBlock = 4;

} // namespace

std::vector<Dump> ParseMemoryDumpList(std::string_view bytes, const std::string& member,
                                      std::string_view localeTag, std::vector<ReadNote>& notes) {
    std::vector<Dump> dumps;
    const DecodedText text = DecodeMember(bytes, member, true, notes);

    int emptyRun = 0;
    bool anyRecord = false;
    size_t i = 0;
    while (i < text.LineCount()) {
        const std::string_view line = TrimText(text.Line(i));
        if (line.empty()) {
            ++emptyRun;
            ++i;
            continue;
        }
        if (StartsWith(line, kCreate) || StartsWith(line, kModify)) {
            ++i; // a date line without its path: nothing to attach it to
            emptyRun = 0;
            continue;
        }
        if (dumps.size() >= kMaxDumps) {
            NoteLimit(notes, member, static_cast<int>(i) + 1, "dumps", kMaxDumps);
            break;
        }
        Dump dump;
        dump.Name = std::string(line);
        dump.Where = {member, static_cast<int>(i) + 1};
        dump.FullDump =
            anyRecord ? emptyRun >= kFullDumpGapAfterBlock : emptyRun >= kFullDumpGapAtStart;
        anyRecord = true;
        emptyRun = 0;
        ++i;
        if (i < text.LineCount()) {
            const std::string_view size = TrimText(text.Line(i));
            if (!size.empty() && !StartsWith(size, kCreate) && !StartsWith(size, kModify)) {
                dump.Size = ReadSizeText(text.Line(i));
                ++i;
            }
        }
        std::string created;
        std::string modified;
        int createdLine = 0;
        int modifiedLine = 0;
        for (; i < text.LineCount(); ++i) {
            const std::string_view l = TrimText(text.Line(i));
            if (StartsWith(l, kCreate)) {
                created = std::string(TrimText(l.substr(kCreate.size())));
                createdLine = static_cast<int>(i) + 1;
            } else if (StartsWith(l, kModify)) {
                modified = std::string(TrimText(l.substr(kModify.size())));
                modifiedLine = static_cast<int>(i) + 1;
            } else {
                break;
            }
        }
        // A minidump is written when the crash happens; the full dump is rewritten by each crash.
        const bool useModified = dump.FullDump || created.empty();
        dump.TimeText = useModified ? modified : created;
        dump.DateOnly = true;
        const int timeLine = useModified ? modifiedLine : createdLine;
        if (!dump.TimeText.empty()) {
            dump.Time = ReadLocaleDateTime(dump.TimeText, localeTag);
            if (!dump.Time) {
                notes.push_back({"read.date",
                                 "The date \"" + dump.TimeText + "\" of " + dump.Name +
                                     " cannot be read as a date of the locale \"" +
                                     std::string(localeTag) + "\".",
                                 {member, timeLine}});
            }
        }
        dumps.push_back(std::move(dump));
    }
    return dumps;
}

} // namespace pv::triage
