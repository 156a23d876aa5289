// DeviceList.txt: per device "#i", "[Device]", " Label = value" lines, then the "[HardID]",
// "[CompID]" and "[MatchID]" lists and an empty line.
#include "triage/model/DateText.h"
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"

namespace pv::triage {

namespace {

enum class Part { Fields, IdList };

bool IsBlockStart(std::string_view line) {
    if (line.size() < 2 || line[0] != '#') {
        return false;
    }
    return ReadInteger(line.substr(1)).has_value();
}

// " InDa = 3/14/2019 13:05:07": month first whatever the locale, its own separators.
std::optional<LocalTime> ReadDeviceDateText(std::string_view text) {
    text = TrimText(text);
    const size_t first = text.find_first_not_of("0123456789");
    if (first == std::string_view::npos || first == 0) {
        return std::nullopt;
    }
    const char sep = text[first];
    std::string swapped;
    // Day first, so that the reader's own day-month order applies without a locale.
    const size_t second = text.find(sep, first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    swapped = std::string(text.substr(first + 1, second - first - 1)) + "." +
              std::string(text.substr(0, first)) + "." + std::string(text.substr(second + 1));
    return ReadLocaleDateTime(swapped, "de-DE");
}

void ReadDates(Device& d, std::string_view valueText, std::string& keptText,
               std::optional<LocalTime>& time, const Evidence& where, const char* label,
               std::vector<ReadNote>& notes) {
    keptText = std::string(TrimText(valueText));
    const auto value = ReadGeneralNumber(valueText);
    if (value && *value == 0) {
        return; // no date
    }
    if (value) {
        time = FromDateTimeValue(*value);
    }
    if (!time) {
        notes.push_back({"read.date",
                         std::string(label) + " \"" + keptText + "\" of device \"" + d.Name +
                             "\" is not a date-time value.",
                         where});
    }
}

void ReadNumberField(std::string_view value, std::optional<long long>& field, const Evidence& where,
                     std::string_view label, std::vector<ReadNote>& notes) {
    field = ReadInteger(value);
    if (!field) {
        notes.push_back(
            {"read.value",
             std::string(label) + " \"" + std::string(TrimText(value)) + "\" is not a number.",
             where});
    }
}

} // namespace

std::vector<Device> ParseDeviceList(std::string_view bytes, const std::string& member,
                                    std::vector<ReadNote>& notes) {
    std::vector<Device> devices;
    const DecodedText text = DecodeMember(bytes, member, true, notes);

    Device* current = nullptr;
    Part part = Part::Fields;
    bool pendingNumber = false; // a "#i" line waits for its "[Device]"
    int numberLine = 0;
    // Fallback texts of InDa and Date, used when the locale-free values are missing.
    std::string installText;
    std::string driverText;
    auto finish = [&] {
        if (!current) {
            return;
        }
        if (!current->Installed && current->InstalledText.empty() && !installText.empty()) {
            current->Installed = ReadDeviceDateText(installText);
        }
        if (!current->DriverDate && current->DriverDateText.empty() && !driverText.empty()) {
            current->DriverDate = ReadDeviceDateText(driverText);
        }
        installText.clear();
        driverText.clear();
        current = nullptr;
    };

    for (size_t i = 0; i < text.LineCount(); ++i) {
        const std::string_view line = text.Line(i);
        const int lineNo = static_cast<int>(i) + 1;
        const std::string_view trimmed = TrimText(line);
        if (IsBlockStart(trimmed)) {
            finish();
            pendingNumber = true;
            numberLine = lineNo;
            continue;
        }
        if (trimmed == "[Device]") {
            finish();
            if (devices.size() >= kMaxDevices) {
                NoteLimit(notes, member, pendingNumber ? numberLine : lineNo, "devices",
                          kMaxDevices);
                break;
            }
            devices.emplace_back();
            current = &devices.back();
            current->Where = {member, pendingNumber ? numberLine : lineNo};
            pendingNumber = false;
            part = Part::Fields;
            continue;
        }
        if (!current) {
            continue;
        }
        if (trimmed == "[HardID]" || trimmed == "[CompID]" || trimmed == "[MatchID]") {
            part = Part::IdList;
            continue;
        }
        if (part == Part::IdList) {
            continue;
        }
        const size_t eq = line.find(" = ");
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view label = TrimText(line.substr(0, eq));
        const std::string_view value = line.substr(eq + 3);
        const Evidence where{member, lineNo};
        Device& d = *current;
        if (label == "Key") {
            d.Key = std::string(TrimText(value));
        } else if (label == "Type") {
            d.Class = std::string(TrimText(value));
        } else if (label == "Name") {
            d.Name = std::string(TrimText(value));
        } else if (label == "Date.D") {
            ReadDates(d, value, d.DriverDateText, d.DriverDate, where, "Date.D", notes);
        } else if (label == "InDa.D") {
            ReadDates(d, value, d.InstalledText, d.Installed, where, "InDa.D", notes);
        } else if (label == "Date") {
            driverText = std::string(value);
        } else if (label == "InDa") {
            installText = std::string(value);
        } else if (label == "Vern") {
            d.Version = std::string(TrimText(value));
        } else if (label == "Prvd") {
            d.Provider = std::string(TrimText(value));
        } else if (label == "Plug") {
            d.Plugged = TrimText(value) == "True";
        } else if (label == "Prob") {
            ReadNumberField(value, d.Problem, where, label, notes);
        } else if (label == "Code") {
            ReadNumberField(value, d.Code, where, label, notes);
        } else if (label == "Rein") {
            d.Reinstall = TrimText(value) == "True";
        } else if (label == "Inst") {
            d.Instance = std::string(TrimText(value));
        } else if (label == "Stat") {
            ReadNumberField(value, d.State, where, label, notes);
        } else if (label == "Roll") {
            d.Rollback = TrimText(value) == "True";
        }
    }
    finish();
    return devices;
}

} // namespace pv::triage
