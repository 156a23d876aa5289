// Line rules of the inventory sections.
#include "sysinfo/SectionRules.h"

#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "sysinfo/AppFuncs.h"

namespace pv {

std::vector<std::u16string> ListValueEntries(std::u16string_view text,
                                             const std::vector<std::u16string>& defaultNames) {
    std::vector<std::u16string> entries;
    const std::vector<std::u16string> items = ParseDelimitedList(text);
    for (size_t i = 0; i < items.size(); ++i) {
        if (Trim(items[i]).empty()) {
            continue;
        }
        if (i == 0) {
            bool isDefault = false;
            for (const auto& name : defaultNames) {
                isDefault = isDefault || EqualsIgnoreCaseAscii(items[i], name);
            }
            if (isDefault) {
                continue;
            }
        }
        entries.push_back(items[i]);
    }
    return entries;
}

std::vector<std::u16string> DefaultNames(std::u16string_view exe,
                                         std::u16string_view systemFolder) {
    return {std::u16string(exe), u"%sysdir%\\" + std::u16string(exe),
            std::u16string(systemFolder) + std::u16string(exe)};
}

std::vector<std::u16string> RunOnceExEntries(std::u16string_view value) {
    std::vector<std::u16string> parts;
    SplitByDelimiter(value, u"|", parts);
    std::vector<std::u16string> entries;
    const bool p0 = !parts.empty() && !Trim(parts[0]).empty();
    const bool p1 = parts.size() >= 2 && !Trim(parts[1]).empty();
    if (p0) {
        entries.push_back(SafeFormat(u"rundll32.exe %s", {parts[0]}));
    }
    if (p1) {
        entries.push_back(SafeFormat(u"rundll32.exe %s,%s", {parts[0], parts[1]}));
    }
    if (parts.size() >= 3) {
        if (!p0 && !p1) {
            entries.push_back(parts[2]);
        } else {
            entries.push_back(SafeFormat(u"rundll32.exe %s,%s %s", {parts[0], parts[1], parts[2]}));
        }
    }
    return entries;
}

void DropBlankEntries(std::vector<std::u16string>& lines, size_t keep) {
    for (size_t i = lines.size(); i > keep; --i) {
        if (Trim(lines[i - 1]).empty()) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i - 1));
        }
    }
}

bool IsShortcutFile(std::u16string_view path) {
    return EqualsIgnoreCaseAscii(ExtensionPart(path), u".lnk");
}

std::optional<std::u16string> ProgramLine(const UninstallEntry& entry) {
    if (entry.DisplayName.empty() || entry.HasSystemComponent || entry.HasTsAware) {
        return std::nullopt;
    }
    if (entry.HasVersion && entry.VersionType == kRegSz) {
        return SafeFormat(u"%s, (%s), [%s]", {entry.DisplayName, entry.Version, entry.KeyName});
    }
    return entry.DisplayName;
}

std::u16string VolumeLine(std::u16string_view letter, std::u16string_view label,
                          std::u16string_view serial, std::u16string_view fileSystem,
                          std::u16string_view freeText, std::u16string_view totalText) {
    return SafeFormat(u"[%s:] %s, %s, %s, (%s / %s)",
                      {letter, label, serial, fileSystem, freeText, totalText});
}

std::u16string StripNtPathPrefix(std::u16string_view path) {
    std::u16string out(path);
    for (size_t at = out.find(u"\\??\\"); at != std::u16string::npos;
         at = out.find(u"\\??\\", at)) {
        out.erase(at, 4);
    }
    return out;
}

std::u16string ProcessLine(std::u16string_view name, uint32_t processId, std::u16string_view path) {
    return SafeFormat(u"%s [%d] %s", {name, processId, path});
}

std::u16string ServiceLine(std::u16string_view name, std::u16string_view displayName, long state,
                           long startType) {
    return SafeFormat(u"[%s] %s, %d, %d", {name, displayName, state, startType});
}

std::u16string DriverLine(std::u16string_view name, std::u16string_view displayName) {
    return SafeFormat(u"[%s] %s", {name, displayName});
}

std::u16string BhoLine(std::u16string_view name, std::u16string_view library) {
    return SafeFormat(u"%s, %s", {name, library});
}

} // namespace pv
