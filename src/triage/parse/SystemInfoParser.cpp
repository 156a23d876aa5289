// SystemInfo.txt: "===== System =====", fourteen "Name<pad to 16> : value" lines, then sections
// that each start with an empty line, "===== Title =====" and an empty line.
#include "triage/model/DateText.h"
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"

namespace pv::triage {

namespace {

constexpr size_t kLabelWidth = 16;
constexpr std::string_view kLabelEnd = " : ";

// "===== Volumes =====" gives "Volumes"; anything else gives an empty text.
std::string_view SectionTitle(std::string_view line) {
    line = TrimText(line);
    if (line.size() < 12 || !StartsWith(line, "===== ") ||
        line.substr(line.size() - 6) != " =====") {
        return {};
    }
    return TrimText(line.substr(6, line.size() - 12));
}

// "[C:] label, 0A1B2C3D, NTFS, (931,51 GB / 1.863,01 GB)", read from the right because the
// label may itself hold ", ".
std::optional<Volume> ReadVolumeLine(std::string_view line) {
    line = TrimText(line);
    const size_t close = line.find("] ");
    if (line.empty() || line[0] != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    Volume v;
    v.Name = std::string(line.substr(1, close - 1));
    std::string_view rest = line.substr(close + 2);
    const size_t open = rest.rfind(", (");
    if (open == std::string_view::npos || rest.back() != ')') {
        return v;
    }
    const std::string_view sizes = rest.substr(open + 3, rest.size() - open - 4);
    rest = rest.substr(0, open);
    const size_t slash = sizes.find(" / ");
    if (slash != std::string_view::npos) {
        v.Free = ReadSizeText(sizes.substr(0, slash));
        v.Total = ReadSizeText(sizes.substr(slash + 3));
    }
    const size_t fs = rest.rfind(", ");
    if (fs != std::string_view::npos) {
        v.FileSystem = std::string(rest.substr(fs + 2));
        rest = rest.substr(0, fs);
        const size_t serial = rest.rfind(", ");
        v.Label = std::string(TrimText(serial == std::string_view::npos ? std::string_view()
                                                                        : rest.substr(0, serial)));
    }
    return v;
}

// The drive ("C:") of the Windows folder named by a process line such as
// "svchost.exe [812] C:\Windows\System32\svchost.exe"; empty when it names none.
std::string WindowsDriveOf(std::string_view processLine) {
    const size_t at = FindNoCase(processLine, ":\\windows\\");
    if (at == std::string_view::npos || at == 0) {
        return {};
    }
    const char letter = processLine[at - 1];
    const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!isLetter || (at >= 2 && processLine[at - 2] != ' ')) {
        return {};
    }
    return std::string(1, static_cast<char>(letter & ~0x20)) + ":";
}

void ReadDate(std::string_view value, const std::string& locale, const Evidence& where,
              const char* what, std::optional<LocalTime>& time, std::vector<ReadNote>& notes) {
    time = ReadLocaleDateTime(value, locale);
    if (!time) {
        notes.push_back({"read.date",
                         std::string(what) + " \"" + std::string(value) +
                             "\" cannot be read as a date of the locale \"" + locale + "\".",
                         where});
    }
}

// "W. Europe Standard Time (UTC01:00)", "Pacific Standard Time (UTC-08:00)": local time minus
// UTC in minutes. Empty when the text does not end in that form.
std::optional<int> UtcOffsetOf(std::string_view value) {
    const size_t open = value.rfind("(UTC");
    if (open == std::string_view::npos || value.back() != ')') {
        return std::nullopt;
    }
    std::string_view offset = value.substr(open + 4, value.size() - open - 5);
    const bool negative = !offset.empty() && offset[0] == '-';
    if (negative) {
        offset.remove_prefix(1);
    }
    const size_t colon = offset.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto hours = ReadInteger(offset.substr(0, colon));
    const auto minutes = ReadInteger(offset.substr(colon + 1));
    if (!hours || !minutes || *hours < 0 || *hours > 14 || *minutes < 0 || *minutes > 59 ||
        offset.substr(0, colon).find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const int total = static_cast<int>(*hours * 60 + *minutes);
    return negative ? -total : total;
}

// "[nvlddmkm] NVIDIA Windows Kernel Mode Driver"
std::optional<DriverService> ReadDriverLine(std::string_view line) {
    line = TrimText(line);
    const size_t close = line.find(']');
    if (line.size() < 3 || line[0] != '[' || close == std::string_view::npos || close == 1) {
        return std::nullopt;
    }
    return DriverService{
        std::string(line.substr(1, close - 1)), std::string(TrimText(line.substr(close + 1))), {}};
}

// "2024-03-02 08:00:30 | Plenvia driver update: Acme Audio | 10"; the description may itself
// hold " | ", so the time is cut from the left and the type from the right.
std::optional<RestorePoint> ReadRestoreLine(std::string_view line) {
    line = TrimText(line);
    const size_t first = line.find(" | ");
    const size_t last = line.rfind(" | ");
    if (first == std::string_view::npos || last == first) {
        return std::nullopt;
    }
    return RestorePoint{std::string(line.substr(0, first)),
                        std::string(line.substr(first + 3, last - first - 3)),
                        std::string(line.substr(last + 3)),
                        {}};
}

} // namespace

SystemFacts ParseSystemInfo(std::string_view bytes, const std::string& member,
                            std::vector<ReadNote>& notes) {
    SystemFacts facts;
    facts.Present = true;
    const DecodedText text = DecodeMember(bytes, member, true, notes);

    std::string section = "System";
    std::string windowsDrive;
    bool volumesCut = false;
    bool programsCut = false;
    bool driversCut = false;
    bool restoreCut = false;
    for (size_t i = 0; i < text.LineCount(); ++i) {
        const std::string_view line = text.Line(i);
        const Evidence where{member, static_cast<int>(i) + 1};
        if (const std::string_view title = SectionTitle(line); !title.empty()) {
            section = std::string(title);
            continue;
        }
        if (TrimText(line).empty()) {
            continue;
        }
        if (section == "System") {
            const size_t colon = line.find(kLabelEnd);
            if (colon == std::string_view::npos || colon > kLabelWidth) {
                continue;
            }
            const std::string_view name = TrimText(line.substr(0, colon));
            const std::string_view value = TrimText(line.substr(colon + kLabelEnd.size()));
            if (name == "Operating System") {
                facts.Os = std::string(value);
            } else if (name == "Computer Name") {
                facts.Computer = std::string(value);
            } else if (name == "Locale-Language") {
                facts.Locale = std::string(value);
            } else if (name == "BSOD Time") {
                facts.BsodTimeText = std::string(value);
                facts.BsodWhere = where;
                if (!value.empty() && value != "N/A") {
                    ReadDate(value, facts.Locale, where, "BSOD Time", facts.BsodTime, notes);
                }
            } else if (name == "Time Zone") {
                facts.UtcOffsetMinutes = UtcOffsetOf(value);
            } else if (name == "Log Time") {
                facts.LogTimeText = std::string(value);
                facts.LogWhere = where;
                if (!value.empty()) {
                    ReadDate(value, facts.Locale, where, "Log Time", facts.LogTime, notes);
                }
            }
        } else if (section == "Volumes") {
            if (facts.Volumes.size() >= kMaxVolumes) {
                if (!volumesCut) {
                    NoteLimit(notes, member, where.Line, "volumes", kMaxVolumes);
                    volumesCut = true;
                }
            } else if (auto volume = ReadVolumeLine(line)) {
                volume->Where = where;
                facts.Volumes.push_back(std::move(*volume));
            }
        } else if (section == "Programs") {
            if (facts.Programs.size() < kMaxPrograms) {
                facts.Programs.emplace_back(TrimText(line));
            } else if (!programsCut) {
                NoteLimit(notes, member, where.Line, "programs", kMaxPrograms);
                programsCut = true;
            }
        } else if (section == "Drivers") {
            if (facts.Drivers.size() >= kMaxDriverServices) {
                if (!driversCut) {
                    NoteLimit(notes, member, where.Line, "driver services", kMaxDriverServices);
                    driversCut = true;
                }
            } else if (auto driver = ReadDriverLine(line)) {
                driver->Where = where;
                facts.Drivers.push_back(std::move(*driver));
            }
        } else if (section == "System Restore") {
            if (facts.RestorePoints.size() >= kMaxRestorePoints) {
                if (!restoreCut) {
                    NoteLimit(notes, member, where.Line, "restore points", kMaxRestorePoints);
                    restoreCut = true;
                }
            } else if (auto point = ReadRestoreLine(line)) {
                point->Where = where;
                facts.RestorePoints.push_back(std::move(*point));
            }
        } else if (section == "Processes" && windowsDrive.empty()) {
            windowsDrive = WindowsDriveOf(line);
        }
    }
    if (windowsDrive.empty()) {
        windowsDrive = "C:";
    }
    for (Volume& v : facts.Volumes) {
        v.System = EqualsNoCase(v.Name, windowsDrive);
    }
    return facts;
}

} // namespace pv::triage
