// The system report's installed programs and browser helper objects sections.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/SysInfo.h"
#include "sysinfo/win32/SectionRegistry.h"

#include "platform/RegistryData.h"
#include "platform/win32/Registry.h"

namespace pv {

using namespace sections;

// ---- Programs --------------------------------------------------------------------------------

const std::vector<std::u16string>& GetProgramsSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Programs");
    const struct {
        HKEY Root;
        const char16_t* Path;
    } sources[] = {
        {HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_CURRENT_USER, u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_LOCAL_MACHINE,
         u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_CURRENT_USER,
         u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    };
    for (const auto& source : sources) {
        bool opened = false;
        const auto names = SubKeyNames(source.Root, source.Path, opened);
        for (const auto& name : names) {
            const UniqueRegKey key =
                OpenKey(source.Root, std::u16string(source.Path) + u"\\" + name);
            if (!key || !ValueExists(key.get(), u"DisplayName")) {
                continue;
            }
            UninstallEntry entry;
            entry.KeyName = name;
            entry.DisplayName = ReadStringValue(key.get(), u"DisplayName");
            entry.HasSystemComponent = ValueExists(key.get(), u"SystemComponent");
            entry.HasTsAware = ValueExists(key.get(), u"TSAware");
            DWORD type = REG_NONE;
            std::vector<uint8_t> data;
            if (RegQueryBytes(key.get(), u"DisplayVersion", type, data) == ERROR_SUCCESS) {
                entry.HasVersion = true;
                entry.VersionType = type;
                entry.Version = DecodeRegString(type, data);
            }
            if (auto line = ProgramLine(entry)) {
                lines.push_back(std::move(*line));
            }
        }
    }
    return lines;
}

// ---- Browser helper objects ------------------------------------------------------------------

namespace {
// False when the key cannot be opened or has no subkeys: the section ends there.
bool AddBhoLines(std::vector<std::u16string>& lines, const char16_t* key,
                 const char16_t* classRoot) {
    bool opened = false;
    const auto classIds = SubKeyNames(HKEY_LOCAL_MACHINE, key, opened);
    if (!opened || classIds.empty()) {
        return false;
    }
    for (const auto& id : classIds) {
        const std::u16string classKey = std::u16string(classRoot) + id;
        lines.push_back(
            BhoLine(ReadStringValue(HKEY_LOCAL_MACHINE, classKey, u""),
                    ReadStringValue(HKEY_LOCAL_MACHINE, classKey + u"\\InprocServer32", u"")));
    }
    return true;
}
} // namespace

const std::vector<std::u16string>& GetBHOsSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"BHOs");
    if (AddBhoLines(
            lines,
            u"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\",
            u"\\SOFTWARE\\Classes\\CLSID\\")) {
        AddBhoLines(lines,
                    u"\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browse"
                    u"r Helper Objects\\",
                    u"\\SOFTWARE\\Wow6432Node\\Classes\\CLSID\\");
    }
    return lines;
}

} // namespace pv
