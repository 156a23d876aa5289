// The system report's autoruns section: start-up folders and the registry's run entries.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/SysInfo.h"
#include "sysinfo/win32/SectionRegistry.h"

#include "platform/win32/Registry.h"

#include <shlobj.h>

namespace pv {

using namespace sections;

// ---- Autoruns --------------------------------------------------------------------------------

namespace {

enum class SourceKind { Folder, Values, OnceExtended, ListValue };
enum class Defaults { None, Explorer, Userinit };

struct AutorunSource {
    SourceKind Kind;
    HKEY Root;
    const char16_t* Path; // key path, or nullptr for a folder
    int Csidl;
    const char16_t* Value;
    Defaults DefaultNames;
};

#define PV_CU HKEY_CURRENT_USER
#define PV_LM HKEY_LOCAL_MACHINE
const AutorunSource kAutorunSources[] = {
    {SourceKind::Folder, nullptr, nullptr, CSIDL_STARTUP, nullptr, Defaults::None},
    {SourceKind::Folder, nullptr, nullptr, CSIDL_COMMON_STARTUP, nullptr, Defaults::None},
    {SourceKind::Values, PV_CU, u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr,
     Defaults::None},
    {SourceKind::Values, PV_CU, u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
     0, nullptr, Defaults::None},
    {SourceKind::Values, PV_LM, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr,
     Defaults::None},
    {SourceKind::Values, PV_LM, u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
     0, nullptr, Defaults::None},
    {SourceKind::Values, PV_CU, u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0,
     nullptr, Defaults::None},
    {SourceKind::Values, PV_CU,
     u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, nullptr,
     Defaults::None},
    {SourceKind::Values, PV_LM, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0,
     nullptr, Defaults::None},
    {SourceKind::Values, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, nullptr,
     Defaults::None},
    {SourceKind::OnceExtended, PV_CU, u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0,
     nullptr, Defaults::None},
    {SourceKind::OnceExtended, PV_CU,
     u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0, nullptr,
     Defaults::None},
    {SourceKind::OnceExtended, PV_LM, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0,
     nullptr, Defaults::None},
    {SourceKind::OnceExtended, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0, nullptr,
     Defaults::None},
    {SourceKind::Values, PV_CU,
     u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", 0, nullptr,
     Defaults::None},
    {SourceKind::Values, PV_CU,
     u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", 0,
     nullptr, Defaults::None},
    {SourceKind::Values, PV_LM,
     u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\Run", 0, nullptr,
     Defaults::None},
    {SourceKind::Values, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\Run", 0,
     nullptr, Defaults::None},
    {SourceKind::ListValue, PV_CU, u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
     u"Run", Defaults::None},
    {SourceKind::ListValue, PV_CU,
     u"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, u"Run",
     Defaults::None},
    {SourceKind::ListValue, PV_CU, u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
     u"Load", Defaults::None},
    {SourceKind::ListValue, PV_CU,
     u"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, u"Load",
     Defaults::None},
    {SourceKind::ListValue, PV_LM, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
     u"Run", Defaults::None},
    {SourceKind::ListValue, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, u"Run",
     Defaults::None},
    {SourceKind::ListValue, PV_LM, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
     u"Load", Defaults::None},
    {SourceKind::ListValue, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, u"Load",
     Defaults::None},
    {SourceKind::ListValue, PV_CU,
     u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0, u"Shell",
     Defaults::Explorer},
    {SourceKind::ListValue, PV_CU,
     u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0, u"Shell",
     Defaults::Explorer},
    {SourceKind::ListValue, PV_LM, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0,
     u"Shell", Defaults::Explorer},
    {SourceKind::ListValue, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0, u"Shell",
     Defaults::Explorer},
    {SourceKind::ListValue, PV_LM, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0,
     u"Userinit", Defaults::Userinit},
    {SourceKind::ListValue, PV_LM,
     u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0, u"Userinit",
     Defaults::Userinit},
};
#undef PV_CU
#undef PV_LM

void AddFolderEntries(std::vector<std::u16string>& lines, int csidl) {
    static const std::vector<std::u16string> exclusions = {u"desktop.ini", u"Thumbs.db"};
    std::vector<std::u16string> files;
    ListFolderFiles(files, GetShellFolder(csidl), u"*.*", &exclusions, false);
    for (const auto& file : files) {
        lines.push_back(IsShortcutFile(file) ? GetShortcutCommand(file) : file);
    }
}

void AddValueEntries(std::vector<std::u16string>& lines, HKEY root, const char16_t* path) {
    const UniqueRegKey key = OpenKey(root, path);
    if (!key) {
        return;
    }
    for (const auto& name : RegValueNames(key.get())) {
        lines.push_back(ReadStringValue(key.get(), name));
    }
}

void AddOnceExtendedEntries(std::vector<std::u16string>& lines, HKEY root, const char16_t* path) {
    bool opened = false;
    const auto subKeys = SubKeyNames(root, path, opened);
    for (const auto& subKey : subKeys) {
        const UniqueRegKey key = OpenKey(root, std::u16string(path) + u"\\" + subKey);
        if (!key) {
            continue;
        }
        for (const auto& name : RegValueNames(key.get())) {
            for (auto& entry : RunOnceExEntries(ReadStringValue(key.get(), name))) {
                lines.push_back(std::move(entry));
            }
        }
    }
}

} // namespace

const std::vector<std::u16string>& GetAutorunsSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Autoruns");
    const std::u16string systemFolder = GetSystemFolder();
    const std::vector<std::u16string> explorerNames = DefaultNames(u"explorer.exe", systemFolder);
    const std::vector<std::u16string> userinitNames = DefaultNames(u"userinit.exe", systemFolder);
    const std::vector<std::u16string> noNames;
    for (const AutorunSource& source : kAutorunSources) {
        switch (source.Kind) {
        case SourceKind::Folder:
            AddFolderEntries(lines, source.Csidl);
            break;
        case SourceKind::Values:
            AddValueEntries(lines, source.Root, source.Path);
            break;
        case SourceKind::OnceExtended:
            AddOnceExtendedEntries(lines, source.Root, source.Path);
            break;
        case SourceKind::ListValue: {
            const auto& defaults = source.DefaultNames == Defaults::Explorer   ? explorerNames
                                   : source.DefaultNames == Defaults::Userinit ? userinitNames
                                                                               : noNames;
            for (auto& entry : ListValueEntries(
                     ReadStringValue(source.Root, source.Path, source.Value), defaults)) {
                lines.push_back(std::move(entry));
            }
            break;
        }
        }
    }
    DropBlankEntries(lines, 3);
    return lines;
}

} // namespace pv
