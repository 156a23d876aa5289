#pragma once
// Pure rules of the inventory sections: line patterns, the autorun list parse with its default
// names, the RunOnceEx parts and the uninstall-entry filter.
#include "platform/Text.h"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

// ParseDelimitedList (platform/Text.h) reads the autorun list values.
// Entries of a list value: items non-empty after trimming, except a first item equal (ignoring
// case) to one of `defaultNames`.
std::vector<std::u16string> ListValueEntries(std::u16string_view text,
                                             const std::vector<std::u16string>& defaultNames);
// "explorer.exe", "%sysdir%\explorer.exe", systemFolder + "explorer.exe" (and so for userinit).
std::vector<std::u16string> DefaultNames(std::u16string_view exe, std::u16string_view systemFolder);
// Entries of one RunOnceEx value ("dll|function|arguments").
std::vector<std::u16string> RunOnceExEntries(std::u16string_view value);
// Deletes every line after the first `keep` that is empty after trimming.
void DropBlankEntries(std::vector<std::u16string>& lines, size_t keep);
// True when the file's extension is ".lnk", ignoring case.
bool IsShortcutFile(std::u16string_view path);

// What the programs section reads of one uninstall entry.
struct UninstallEntry {
    std::u16string KeyName;
    std::u16string DisplayName; // empty when missing or not a string
    bool HasSystemComponent = false;
    bool HasTsAware = false;
    bool HasVersion = false;
    uint32_t VersionType = 0;
    std::u16string Version;
};
// "name, (version), [key]", the name alone without a REG_SZ version, nothing for a skipped entry.
std::optional<std::u16string> ProgramLine(const UninstallEntry& entry);

std::u16string VolumeLine(std::u16string_view letter, std::u16string_view label,
                          std::u16string_view serial, std::u16string_view fileSystem,
                          std::u16string_view freeText, std::u16string_view totalText);
// Every "\??\" removed.
std::u16string StripNtPathPrefix(std::u16string_view path);
std::u16string ProcessLine(std::u16string_view name, uint32_t processId, std::u16string_view path);
std::u16string ServiceLine(std::u16string_view name, std::u16string_view displayName, long state,
                           long startType);
std::u16string DriverLine(std::u16string_view name, std::u16string_view displayName);
std::u16string BhoLine(std::u16string_view name, std::u16string_view library);

} // namespace pv
