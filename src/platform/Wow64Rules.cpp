#include "platform/Wow64Rules.h"
#include "platform/Text.h"
#include <cstddef>
#include <initializer_list>

namespace pv {

bool IsArchitecture64Bit(uint16_t nativeArchitecture) {
    return nativeArchitecture == kArchitectureAmd64 || nativeArchitecture == kArchitectureIa64 ||
           nativeArchitecture == kArchitectureArm64;
}

namespace {

using Parts = std::vector<std::u16string>;

bool IsSeparator(char16_t c, bool raw) {
    return c == u'\\' || (!raw && c == u'/');
}

// "X:" followed by a separator.
bool IsDriveAbsolute(std::u16string_view path, bool raw) {
    if (path.size() < 3 || path[1] != u':' || !IsSeparator(path[2], raw)) {
        return false;
    }
    const char16_t drive = UpperAscii(path[0]);
    return drive >= u'A' && drive <= u'Z';
}

// The components of an absolute path, the drive first. Without `raw`, "." and ".." are resolved
// as Win32 resolves them (".." never climbs above the drive) and "/" separates too.
Parts Split(std::u16string_view path, bool raw) {
    Parts parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end], raw)) {
            ++end;
        }
        const std::u16string_view part = path.substr(start, end - start);
        if (part.empty() || (!raw && part == u".")) {
            // doubled separators and "." add nothing
        } else if (!raw && part == u"..") {
            if (parts.size() > 1) {
                parts.pop_back();
            }
        } else {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

bool Same(const std::u16string& part, std::u16string_view name) {
    return EqualsIgnoreCaseAscii(part, name);
}

// True when parts[at...] begins with the whole of `names`.
bool HasAt(const Parts& parts, size_t at, std::initializer_list<std::u16string_view> names) {
    if (parts.size() < at + names.size()) {
        return false;
    }
    for (const std::u16string_view name : names) {
        if (!Same(parts[at++], name)) {
            return false;
        }
    }
    return true;
}

// The subfolders of System32 that a 32-bit process reaches without redirection.
bool IsExempt(const Parts& parts, size_t at, bool driverStoreExempt) {
    return HasAt(parts, at, {u"catroot"}) || HasAt(parts, at, {u"catroot2"}) ||
           HasAt(parts, at, {u"drivers", u"etc"}) || HasAt(parts, at, {u"LogFiles"}) ||
           HasAt(parts, at, {u"spool"}) ||
           (driverStoreExempt && HasAt(parts, at, {u"DriverStore"}));
}

// Replaces the component at `at` (below the Windows folder) as WOW64 redirects it; false when
// nothing there is redirected.
bool Redirect(Parts& parts, size_t at, bool driverStoreExempt) {
    if (Same(parts[at], u"System32")) {
        if (IsExempt(parts, at + 1, driverStoreExempt)) {
            return false;
        }
        parts[at] = u"SysWOW64";
        return true;
    }
    if (Same(parts[at], u"Sysnative")) {
        parts[at] = u"System32";
        return true;
    }
    if (HasAt(parts, at, {u"lastgood", u"System32"})) {
        parts[at + 1] = u"SysWOW64";
        return true;
    }
    if (Same(parts[at], u"regedit.exe") && parts.size() == at + 1) {
        parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(at), u"SysWOW64");
        return true;
    }
    return false;
}

} // namespace

std::u16string RedirectedFor32BitProcess(std::u16string_view path, const RedirectionFacts& facts) {
    const std::u16string unchanged(path);
    std::u16string_view rest = path;
    std::u16string_view prefix;
    if (rest.substr(0, 4) == u"\\\\?\\" || rest.substr(0, 4) == u"\\??\\") {
        prefix = rest.substr(0, 4);
        rest = rest.substr(4);
    }
    const bool raw = !prefix.empty();
    if (!IsDriveAbsolute(rest, raw) || !IsDriveAbsolute(facts.WindowsFolder, false)) {
        return unchanged;
    }
    Parts parts = Split(rest, raw);
    const Parts windows = Split(facts.WindowsFolder, false);
    if (parts.size() <= windows.size()) {
        return unchanged;
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        if (!Same(parts[i], windows[i])) {
            return unchanged;
        }
    }
    if (!Redirect(parts, windows.size(), facts.DriverStoreExempt)) {
        return unchanged;
    }
    std::u16string out(prefix);
    for (size_t i = 0; i < parts.size(); ++i) {
        out += parts[i];
        if (i + 1 < parts.size()) {
            out += u'\\';
        }
    }
    if (IsSeparator(rest.back(), raw)) {
        out += u'\\';
    }
    return out;
}

int ShellFolderFor32BitView(int csidl, bool processIs64Bit) {
    if (!processIs64Bit) {
        return csidl;
    }
    const int flags = csidl & 0xFF00; // CSIDL_FLAG_MASK
    switch (csidl & 0xFF) {
    case kCsidlProgramFiles:
        return flags | kCsidlProgramFilesX86;
    case kCsidlProgramFilesCommon:
        return flags | kCsidlProgramFilesCommonX86;
    default:
        return csidl;
    }
}

std::vector<EnvironmentChange> EnvironmentFor32BitView(bool processIs64Bit,
                                                       const EnvironmentLookup& lookup) {
    std::vector<EnvironmentChange> changes;
    if (!processIs64Bit) {
        return changes;
    }
    const auto take = [&](const char16_t* name, const char16_t* from) {
        if (auto value = lookup(from)) {
            changes.push_back({name, std::move(*value)});
        }
    };
    take(u"ProgramFiles", u"ProgramFiles(x86)");
    take(u"CommonProgramFiles", u"CommonProgramFiles(x86)");
    // Once the changes are made, the process's own name is "x86" and the native one has moved.
    const auto architecture = lookup(u"PROCESSOR_ARCHITECTURE");
    if (architecture && !EqualsIgnoreCaseAscii(*architecture, u"x86")) {
        changes.push_back({u"PROCESSOR_ARCHITEW6432", *architecture});
    }
    changes.push_back({u"PROCESSOR_ARCHITECTURE", u"x86"});
    return changes;
}

bool ReadsMainModulePath(bool processIs64Bit, bool targetIs32Bit, bool targetIsSelf) {
    return !processIs64Bit || targetIs32Bit || targetIsSelf;
}

} // namespace pv
