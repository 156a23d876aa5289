// setupapi.dev.log: a section is a ">>>  [title]" line, ">>>  Section start <timestamp>", its
// body (errors marked "!!!"), "<<<  Section end <timestamp>" and "<<<  [Exit status: X]".
#include "triage/model/DateText.h"
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"
#include <algorithm>

namespace pv::triage {

namespace {

constexpr std::string_view kOpen = ">>>";
constexpr std::string_view kClose = "<<<";
constexpr std::string_view kError = "!!!";
constexpr std::string_view kSectionStart = "Section start";
constexpr std::string_view kExitStatus = "[Exit status:";

// What follows the marker and its blanks.
std::string_view AfterMarker(std::string_view line, std::string_view marker) {
    return TrimText(line.substr(marker.size()));
}

// "Device Install (Hardware initiated) - PCI\VEN_8086&DEV_1234\3&11583659&0&10" names the
// instance after " - "; a title that ends in an INF path names that INF instead.
void ReadTitle(InstallSection& s) {
    const size_t dash = s.Title.find(" - ");
    if (dash == std::string::npos) {
        return;
    }
    const std::string_view rest = TrimText(std::string_view(s.Title).substr(dash + 3));
    if (EndsWithNoCase(rest, ".inf")) {
        s.Inf = std::string(rest);
    } else if (rest.find('\\') != std::string_view::npos && !(rest.size() > 1 && rest[1] == ':')) {
        s.Device = std::string(rest);
    }
}

// "Driver INF     - usbstor.inf (C:\...\usbstor.inf)" and "... installs from section [x] in
// 'c:\...\oem3.inf'." name the driver's INF.
std::string InfNamedBy(std::string_view line) {
    if (const size_t at = FindNoCase(line, "Driver INF"); at != std::string_view::npos) {
        const size_t dash = line.find(" - ", at);
        if (dash != std::string_view::npos) {
            std::string_view value = TrimText(line.substr(dash + 3));
            value = TrimText(value.substr(0, value.find(" (")));
            return std::string(value);
        }
    }
    if (const size_t at = FindNoCase(line, "installs from section"); at != std::string_view::npos) {
        const size_t open = line.find(" in '", at);
        const size_t close = open == std::string_view::npos ? open : line.find('\'', open + 5);
        if (close != std::string_view::npos) {
            return std::string(line.substr(open + 5, close - open - 5));
        }
    }
    return {};
}

bool IsFileNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == '$' || c == '~';
}

// Every "name.sys" the line mentions (after a path separator, a blank or a quote), in lower case.
void DriverFilesNamedBy(std::string_view line, int lineNo, InstallSection& s) {
    size_t from = 0;
    while (s.DriverFiles.size() < kMaxDriverFilesPerSection) {
        const size_t at = FindNoCase(line.substr(from), ".sys");
        if (at == std::string_view::npos) {
            return;
        }
        const size_t end = from + at + 4;
        from = end;
        if (end < line.size() && IsFileNameChar(line[end]) && line[end] != '.') {
            continue;
        }
        size_t begin = end - 4;
        while (begin > 0 && IsFileNameChar(line[begin - 1])) {
            --begin;
        }
        if (begin == end - 4) {
            continue;
        }
        const std::string name = LowerText(line.substr(begin, end - begin));
        if (std::find(s.DriverFiles.begin(), s.DriverFiles.end(), name) == s.DriverFiles.end()) {
            s.DriverFiles.push_back(name);
            s.DriverFileLines.push_back(lineNo);
        }
    }
}

} // namespace

std::vector<InstallSection> ParseSetupApiLog(std::string_view bytes, const std::string& member,
                                             std::vector<ReadNote>& notes) {
    std::vector<InstallSection> sections;
    const DecodedText text = DecodeMember(bytes, member, false, notes);

    std::string pendingTitle;
    int pendingTitleLine = 0;
    bool open = false;
    bool errorsCut = false; // the open section's "!!!" lines reached their limit
    for (size_t i = 0; i < text.LineCount(); ++i) {
        const std::string_view line = TrimText(text.Line(i));
        const int lineNo = static_cast<int>(i) + 1;
        if (StartsWith(line, kOpen)) {
            const std::string_view rest = AfterMarker(line, kOpen);
            if (StartsWith(rest, kSectionStart)) {
                if (sections.size() >= kMaxInstallSections) {
                    NoteLimit(notes, member, lineNo, "sections", kMaxInstallSections);
                    break;
                }
                InstallSection s;
                s.Title = pendingTitle;
                s.Where = {member, pendingTitle.empty() ? lineNo : pendingTitleLine};
                s.Start = ReadLogTimestamp(rest.substr(kSectionStart.size()));
                ReadTitle(s);
                sections.push_back(std::move(s));
                open = true;
                errorsCut = false;
                pendingTitle.clear();
            } else if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']') {
                pendingTitle = std::string(rest.substr(1, rest.size() - 2));
                pendingTitleLine = lineNo;
            }
            continue;
        }
        if (!open) {
            continue;
        }
        InstallSection& s = sections.back();
        if (StartsWith(line, kClose)) {
            const std::string_view rest = AfterMarker(line, kClose);
            if (StartsWith(rest, kExitStatus) && rest.back() == ']') {
                s.Status = std::string(TrimText(
                    rest.substr(kExitStatus.size(), rest.size() - kExitStatus.size() - 1)));
                s.Failed = StartsWithNoCase(s.Status, "FAILURE");
                open = false;
            }
            continue;
        }
        if (StartsWith(line, kError)) {
            if (s.Errors.size() < kMaxErrorsPerSection) {
                s.Errors.emplace_back(AfterMarker(line, kError));
                s.ErrorLines.push_back(lineNo);
            } else if (!errorsCut) {
                NoteLimit(notes, member, lineNo, "\"!!!\" lines in one section",
                          kMaxErrorsPerSection);
                errorsCut = true;
            }
        }
        if (s.Inf.empty()) {
            s.Inf = InfNamedBy(line);
        }
        DriverFilesNamedBy(line, lineNo, s);
    }
    return sections;
}

} // namespace pv::triage
