// The inventory sections of the system report: volumes, processes, programs, autoruns, services,
// drivers and browser helper objects.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/SysInfo.h"

#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "platform/win32/GrowBuffer.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemLibrary.h"

#include <psapi.h>
#include <shlobj.h>

#include <cwchar>

namespace pv {

namespace {

// This unit reads the native registry view; "Wow6432Node" paths reach the 32-bit one.
constexpr REGSAM kView = KEY_WOW64_64KEY;

// Key paths as written may carry leading or trailing backslashes; the registry wants neither.
std::u16string KeyPath(std::u16string_view path) {
    size_t begin = 0;
    size_t end = path.size();
    while (begin < end && path[begin] == u'\\') {
        ++begin;
    }
    while (end > begin && path[end - 1] == u'\\') {
        --end;
    }
    return std::u16string(path.substr(begin, end - begin));
}

UniqueRegKey OpenKey(HKEY root, std::u16string_view path) {
    return RegOpenRead(root, KeyPath(path), kView);
}

bool ValueExists(HKEY key, const std::u16string& name) {
    return ::RegQueryValueExW(key, W(name), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// A REG_SZ or REG_EXPAND_SZ value's text (not expanded); empty for any other type or a failure.
std::u16string ReadStringValue(HKEY key, const std::u16string& name) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (RegQueryBytes(key, name, type, data) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return DecodeRegString(type, data);
}

std::u16string ReadStringValue(HKEY root, std::u16string_view path, const std::u16string& name) {
    const UniqueRegKey key = OpenKey(root, path);
    return key ? ReadStringValue(key.get(), name) : std::u16string();
}

std::vector<std::u16string> SubKeyNames(HKEY root, std::u16string_view path, bool& opened) {
    const UniqueRegKey key = OpenKey(root, path);
    opened = key.valid();
    return key ? RegSubKeyNames(key.get()) : std::vector<std::u16string>();
}

void StartSection(std::vector<std::u16string>& lines, std::u16string_view title) {
    lines = SectionHead(title);
}

} // namespace

// ---- Volumes ---------------------------------------------------------------------------------

const std::vector<std::u16string>& GetVolumesSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Volumes");
    const DWORD needed = ::GetLogicalDriveStringsW(0, nullptr);
    if (needed == 0) {
        return lines;
    }
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    const DWORD got = ::GetLogicalDriveStringsW(needed, buffer.data());
    if (got == 0 || got > needed) {
        return lines;
    }
    for (const wchar_t* root = buffer.data(); *root; root += std::wcslen(root) + 1) {
        if (::GetDriveTypeW(root) != DRIVE_FIXED) {
            continue;
        }
        const std::u16string rootText = U16(root);
        std::u16string label, serial, fileSystem, freeText, totalText;
        wchar_t labelBuf[MAX_PATH + 1] = {};
        wchar_t fsBuf[MAX_PATH + 1] = {};
        DWORD serialNumber = 0;
        if (::GetVolumeInformationW(root, labelBuf, MAX_PATH, &serialNumber, nullptr, nullptr,
                                    fsBuf, MAX_PATH)) {
            label = U16(labelBuf);
            serial = SafeFormat(u"%.8x", {static_cast<unsigned long>(serialNumber)});
            fileSystem = U16(fsBuf);
        }
        ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
        if (::GetDiskFreeSpaceExW(root, &freeToCaller, &total, &totalFree)) {
            freeText = FormatByteSize(2, totalFree.QuadPart);
            totalText = FormatByteSize(2, total.QuadPart);
        }
        lines.push_back(
            VolumeLine(rootText.substr(0, 1), label, serial, fileSystem, freeText, totalText));
    }
    return lines;
}

// ---- Processes -------------------------------------------------------------------------------

namespace {
using ModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

ModuleFileNameExFn ModuleFileNameEx() {
    static const ModuleFileNameExFn fn = [] {
        const HMODULE psapi = LoadSystemLibrary(L"psapi.dll"); // kept for the process's life
        return SystemEntry<ModuleFileNameExFn>(psapi, "GetModuleFileNameExW");
    }();
    return fn;
}
} // namespace

const std::vector<std::u16string>& GetProcessesSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Processes");
    const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return lines;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const UniqueHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
        if (!process) {
            continue;
        }
        entry.szExeFile[MAX_PATH - 1] = L'\0';
        std::u16string path;
        if (const auto fn = ModuleFileNameEx()) {
            wchar_t buf[MAX_PATH + 1] = {};
            const DWORD n = fn(process.get(), nullptr, buf, MAX_PATH);
            if (n > 0) {
                path = StripNtPathPrefix(U16(buf, n < MAX_PATH ? n : MAX_PATH));
            }
        }
        lines.push_back(ProcessLine(U16(entry.szExeFile), entry.th32ProcessID, path));
    }
    return lines;
}

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

// ---- Services and drivers --------------------------------------------------------------------

namespace {

struct ServiceEntry {
    std::u16string Name;
    std::u16string DisplayName;
};

// Every service of `serviceType` in every state. The enumeration restarts from the first entry
// with the larger buffer, so no entry is lost between tries. False when the section must end.
bool EnumerateServices(SC_HANDLE manager, DWORD serviceType, std::vector<ServiceEntry>& out) {
    DWORD needed = 0;
    DWORD count = 0;
    DWORD resume = 0;
    if (::EnumServicesStatusW(manager, serviceType, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                              &resume)) {
        return false; // nothing to list
    }
    if (::GetLastError() != ERROR_MORE_DATA || needed == 0) {
        return false;
    }
    std::vector<uint8_t> buffer;
    const DWORD rc = GrowAndRetry(
        buffer,
        [&](void* data, DWORD& bytes) -> DWORD {
            DWORD more = 0;
            count = 0;
            resume = 0;
            if (::EnumServicesStatusW(manager, serviceType, SERVICE_STATE_ALL,
                                      static_cast<ENUM_SERVICE_STATUSW*>(data), bytes, &more,
                                      &count, &resume)) {
                return ERROR_SUCCESS;
            }
            const DWORD error = ::GetLastError();
            if (error == ERROR_MORE_DATA) {
                bytes += more > 0 ? more : bytes;
            }
            return error;
        },
        needed, 11);
    if (rc != ERROR_SUCCESS || count == 0 ||
        static_cast<size_t>(count) * sizeof(ENUM_SERVICE_STATUSW) > buffer.size()) {
        return false;
    }
    const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        out.push_back({U16(entries[i].lpServiceName), U16(entries[i].lpDisplayName)});
    }
    return true;
}

// Opens the manager, locks its database and lists the services; false when the section ends
// with its head only.
template <typename Each> void WalkServices(DWORD serviceType, Each each) {
    const UniqueService manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return;
    }
    const SC_LOCK lock = ::LockServiceDatabase(manager.get());
    if (!lock && ::GetLastError() == ERROR_SERVICE_DATABASE_LOCKED) {
        return;
    }
    std::vector<ServiceEntry> entries;
    try {
        if (EnumerateServices(manager.get(), serviceType, entries)) {
            for (const auto& entry : entries) {
                each(manager.get(), entry);
            }
        }
    } catch (...) {
        if (lock) {
            ::UnlockServiceDatabase(lock);
        }
        throw;
    }
    if (lock) {
        ::UnlockServiceDatabase(lock);
    }
}

} // namespace

const std::vector<std::u16string>& GetServicesSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Services");
    WalkServices(SERVICE_WIN32, [&](SC_HANDLE manager, const ServiceEntry& entry) {
        long state = -1;
        long startType = -1;
        const UniqueService service(
            ::OpenServiceW(manager, W(entry.Name), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
        if (service) {
            SERVICE_STATUS status{};
            if (::QueryServiceStatus(service.get(), &status)) {
                state = static_cast<long>(status.dwCurrentState);
            }
            DWORD needed = 0;
            if (!::QueryServiceConfigW(service.get(), nullptr, 0, &needed) &&
                ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > 0) {
                std::vector<uint8_t> config(needed);
                if (::QueryServiceConfigW(service.get(),
                                          reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config.data()),
                                          needed, &needed)) {
                    startType = static_cast<long>(
                        reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(config.data())->dwStartType);
                }
            }
        }
        lines.push_back(ServiceLine(entry.Name, entry.DisplayName, state, startType));
    });
    return lines;
}

const std::vector<std::u16string>& GetDriversSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Drivers");
    WalkServices(SERVICE_DRIVER, [&](SC_HANDLE, const ServiceEntry& entry) {
        lines.push_back(DriverLine(entry.Name, entry.DisplayName));
    });
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
