// Windows queries of the system-facts toolbox.
#include "sysinfo/AppFuncs.h"

#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFlags.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Wow64View.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <cmath>

namespace pv {

bool QueryWindowsVersion(WindowsVersion& version) {
    version = WindowsVersion{};
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        info = OSVERSIONINFOEXW{};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
            return false;
        }
    }
#pragma GCC diagnostic pop
    version.PlatformId = info.dwPlatformId;
    version.Major = info.dwMajorVersion;
    version.Minor = info.dwMinorVersion;
    version.Build = info.dwBuildNumber;
    version.ProductType = info.wProductType;
    info.szCSDVersion[127] = L'\0';
    version.ServicePack = U16(info.szCSDVersion);
    version.ServerR2 = ::GetSystemMetrics(SM_SERVERR2) != 0;
    // The native architecture, never the process's: the 32-bit exe on x64 Windows names "x64".
    version.Architecture = NativeArchitecture();
    return true;
}

std::u16string GetWindowsName() {
    WindowsVersion version;
    return QueryWindowsVersion(version) ? WindowsNameFor(version) : std::u16string();
}

uint32_t GetOSFlag() {
    static std::atomic<uint32_t> kept{0};
    uint32_t flag = kept.load();
    if (flag == 0) {
        WindowsVersion version;
        flag = QueryWindowsVersion(version) ? OSFlagFor(version) : 0;
        kept.store(flag);
    }
    return flag;
}

std::u16string GetUILanguageTag() {
    const LCID locale = ::GetUserDefaultUILanguage();
    auto info = [&](LCTYPE type, const char16_t* fallback) {
        wchar_t buf[16] = {};
        const int n = ::GetLocaleInfoW(locale, type, buf, 16);
        return n > 1 ? U16(buf) : std::u16string(fallback);
    };
    return info(LOCALE_SISO639LANGNAME, u"en") + u"-" + info(LOCALE_SISO3166CTRYNAME, u"US");
}

std::u16string GetTimeZoneText() {
    TIME_ZONE_INFORMATION tz{};
    const DWORD result = ::GetTimeZoneInformation(&tz);
    tz.StandardName[31] = L'\0';
    tz.DaylightName[31] = L'\0';
    return TimeZoneTextFor(result, tz.Bias, tz.StandardBias, tz.DaylightBias, U16(tz.StandardName),
                           U16(tz.DaylightName));
}

std::u16string GetComputerNameText() {
    wchar_t buf[261] = {};
    DWORD size = 260;
    return ::GetComputerNameW(buf, &size) ? U16(buf) : std::u16string();
}

std::u16string GetUserNameText() {
    wchar_t buf[261] = {};
    DWORD size = 260;
    return ::GetUserNameW(buf, &size) ? U16(buf) : std::u16string();
}

std::u16string GetSystemFolder() {
    wchar_t buf[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? WithTrailingBackslash(U16(buf)) : std::u16string();
}

std::u16string GetShellFolder(int csidl) {
    UniqueCoTaskMemory<ITEMIDLIST> list;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CsidlIn32BitView(csidl), list.put())) ||
        !list) {
        return {};
    }
    wchar_t buf[MAX_PATH + 1] = {};
    const bool ok = ::SHGetPathFromIDListW(list.get(), buf) != FALSE;
    return ok ? WithTrailingBackslash(U16(buf)) : std::u16string();
}

namespace {

// version.dll is not a known system library: bound at run time from System32 rather than
// imported, which would let a copy in the program's folder be loaded into the elevated process.
struct VersionApi {
    decltype(&::GetFileVersionInfoSizeW) InfoSize = nullptr;
    decltype(&::GetFileVersionInfoW) Info = nullptr;
    decltype(&::VerQueryValueW) Query = nullptr;
};

const VersionApi& Version() {
    static const VersionApi api = [] {
        VersionApi a;
        const HMODULE library = LoadSystemLibrary(L"version.dll"); // kept for the process's life
        a.InfoSize = SystemEntry<decltype(a.InfoSize)>(library, "GetFileVersionInfoSizeW");
        a.Info = SystemEntry<decltype(a.Info)>(library, "GetFileVersionInfoW");
        a.Query = SystemEntry<decltype(a.Query)>(library, "VerQueryValueW");
        return a;
    }();
    return api;
}

} // namespace

std::u16string GetFileVersionText(const std::u16string& path, int parts) {
    std::u16string file = Trim(path);
    if (file.empty()) {
        wchar_t self[MAX_PATH + 1] = {};
        const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) {
            return {};
        }
        file = U16(self);
    } else {
        file = PathIn32BitView(file);
    }
    if (parts < 1 || parts > 4) {
        return {};
    }
    const VersionApi& api = Version();
    if (!api.InfoSize || !api.Info || !api.Query) {
        return {};
    }
    DWORD ignored = 0;
    const DWORD size = api.InfoSize(W(file), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<uint8_t> data(size);
    if (!api.Info(W(file), 0, size, data.data())) {
        return {};
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!api.Query(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    const long long figures[4] = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    std::u16string text = ToText(figures[0]);
    for (int i = 1; i < parts; ++i) {
        text += u"." + ToText(figures[i]);
    }
    return text;
}

uint64_t GetFileSizeSafe(const std::u16string& path) {
    const UniqueFile file(::CreateFileW(W(PathIn32BitView(path)), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | kNoImpersonation, nullptr));
    if (!file) {
        return 0;
    }
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0
               ? static_cast<uint64_t>(size.QuadPart)
               : 0;
}

bool ForceFolder(const std::u16string& path) {
    std::u16string folder = path;
    while (folder.size() > 3 && folder.back() == u'\\') {
        folder.pop_back();
    }
    if (folder.empty()) {
        return false;
    }
    if (FolderExists(folder)) {
        return true;
    }
    // Created elevated inside folders the user owns: never through a link, never relative.
    return CreatePlainFolder(folder);
}

bool SearchFolder(void*, const std::u16string& folder, const std::u16string& mask,
                  std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW data{};
    const UniqueFind find(::FindFirstFileW(W(PathIn32BitView(folder + mask)), &data));
    if (!find) {
        return false;
    }
    do {
        data.cFileName[MAX_PATH - 1] = L'\0';
        entries.push_back({U16(data.cFileName),
                           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (::FindNextFileW(find.get(), &data));
    return true;
}

int ListFolderFiles(std::vector<std::u16string>& out, const std::u16string& root,
                    const std::u16string& mask, const std::vector<std::u16string>* exclusions,
                    bool recurse) {
    const DWORD attributes =
        root.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(W(PathIn32BitView(root)));
    const bool exists =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return WalkFolderFiles(out, root, exists, mask, exclusions, recurse, &SearchFolder, nullptr);
}

std::u16string ReadRegistryText(HKEY root, const std::u16string& key, const std::u16string& name,
                                const std::u16string& defaultText, RegistryView view) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    return RegReadBytes(root, key, name, type, data, view) == ERROR_SUCCESS
               ? RegistryTextFromBytes(type, data, defaultText)
               : defaultText;
}

std::vector<uint8_t> ReadRegistryBytes(HKEY root, const std::u16string& key,
                                       const std::u16string& name, RegistryView view) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    RegReadBytes(root, key, name, type, data, view); // empty on any failure
    return data;
}

double NowDateTime() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return EncodeDateTime(
        {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds});
}

std::u16string GetShortcutCommand(const std::u16string& path) {
    // Declared first, so the interfaces are released before COM is uninitialised.
    const ComInitScope com;
    UniqueCom<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  OutPointer(link))) ||
        !link) {
        return {};
    }
    UniqueCom<IPersistFile> file;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, OutPointer(file))) || !file) {
        return {};
    }
    wchar_t target[MAX_PATH + 1] = {};
    wchar_t arguments[MAX_PATH + 1] = {};
    if (SUCCEEDED(file.get()->Load(W(path), STGM_READ))) {
        link.get()->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY);
        link.get()->GetArguments(arguments, MAX_PATH);
    }
    target[MAX_PATH] = L'\0';
    arguments[MAX_PATH] = L'\0';
    return SafeFormat(u"\"%s\" %s", {U16(target), U16(arguments)});
}

namespace {
bool ToSystemTime(double value, SYSTEMTIME& st) {
    const CivilDate t = DecodeDateTime(value);
    if (t.Year < 1601 || t.Year > 30827) {
        return false;
    }
    st = SYSTEMTIME{};
    st.wYear = static_cast<WORD>(t.Year);
    st.wMonth = static_cast<WORD>(t.Month);
    st.wDay = static_cast<WORD>(t.Day);
    st.wHour = static_cast<WORD>(t.Hour);
    st.wMinute = static_cast<WORD>(t.Minute);
    st.wSecond = static_cast<WORD>(t.Second);
    st.wMilliseconds = static_cast<WORD>(t.Millisecond);
    return true;
}

std::u16string LocaleDate(const SYSTEMTIME& st) {
    wchar_t buf[128] = {};
    return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128) > 0
               ? U16(buf)
               : std::u16string();
}
} // namespace

std::u16string DateText(double value) {
    SYSTEMTIME st{};
    return ToSystemTime(value, st) ? LocaleDate(st) : std::u16string();
}

std::u16string DateTimeText(double value) {
    SYSTEMTIME st{};
    if (!ToSystemTime(value, st)) {
        return {};
    }
    wchar_t time[128] = {};
    const std::u16string timeText =
        ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128) > 0 ? U16(time)
                                                                              : std::u16string();
    return JoinDateTimeText(value, LocaleDate(st), timeText);
}

double FileTimeToDateTime(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME st{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st)) {
        return 0;
    }
    return EncodeDateTime(
        {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds});
}

const NumberSeparators& UserNumberSeparators() {
    static const NumberSeparators separators = [] {
        NumberSeparators s;
        wchar_t buf[8] = {};
        if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buf, 8) > 0) {
            s.Thousand = static_cast<char16_t>(buf[0]);
        }
        if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 1) {
            s.Decimal = static_cast<char16_t>(buf[0]);
        }
        return s;
    }();
    return separators;
}

} // namespace pv
