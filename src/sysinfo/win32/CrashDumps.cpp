// The machine's crash dumps: the full memory dump of the crash settings and the minidumps.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/BSOD.h"
#include "sysinfo/RegistryViews.h"

#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Wow64View.h"

namespace pv {

namespace {

// A REG_SZ or REG_EXPAND_SZ value with its environment variables expanded; empty otherwise. The
// process's environment is the 32-bit exe's (Use32BitEnvironment), so both builds expand alike.
std::u16string ReadExpandedPath(HKEY key, const wchar_t* name) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (RegQueryBytes(key, U16(name), type, data) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    const std::u16string raw = DecodeRegString(type, data);
    if (raw.empty()) {
        return {};
    }
    wchar_t expanded[MAX_PATH + 1] = {};
    const DWORD n = ::ExpandEnvironmentStringsW(W(raw), expanded, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? U16(expanded) : std::u16string();
}

uint64_t AsNumber(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

} // namespace

void FindCrashDumps(double& crashTime, std::u16string& fullDumpPath,
                    std::vector<std::u16string>& minidumps) {
    crashTime = 0;
    fullDumpPath.clear();
    minidumps.clear();
    // Read access is all this needs; the key is never created.
    const UniqueRegKey key = RegOpenRead(
        HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\CrashControl", kCrashControlView);
    if (!key) {
        return;
    }
    // The paths are reported as named; each file is read through the 32-bit file view.
    const std::u16string dumpFile = ReadExpandedPath(key.get(), L"DumpFile");
    const std::u16string dumpFileRead = PathIn32BitView(dumpFile);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!dumpFile.empty() && PlainFileExists(dumpFileRead) &&
        ::GetFileAttributesExW(W(dumpFileRead), GetFileExInfoStandard, &attributes)) {
        fullDumpPath = dumpFile;
        crashTime = FileTimeToDateTime(attributes.ftLastWriteTime);
    }
    const std::u16string folder =
        WithTrailingBackslash(ReadExpandedPath(key.get(), L"MinidumpDir"));
    const std::u16string folderRead = WithTrailingBackslash(PathIn32BitView(folder));
    if (folder.empty() || !FolderExists(folderRead)) {
        return;
    }
    std::vector<MinidumpEntry> found;
    WIN32_FIND_DATAW data{};
    const UniqueFind find(::FindFirstFileW(W(folderRead + u"*.dmp"), &data));
    if (find) {
        do {
            data.cFileName[MAX_PATH - 1] = L'\0';
            const std::u16string name = U16(data.cFileName);
            if (name == u"." || name == u".." ||
                data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
                continue;
            }
            InsertNewestFirst(found, {folder + name, AsNumber(data.ftCreationTime)});
        } while (::FindNextFileW(find.get(), &data));
    }
    for (auto& entry : found) {
        minidumps.push_back(std::move(entry.Path));
    }
    if (!minidumps.empty() && ::GetFileAttributesExW(W(PathIn32BitView(minidumps.front())),
                                                     GetFileExInfoStandard, &attributes)) {
        const double created = FileTimeToDateTime(attributes.ftCreationTime);
        if (created > crashTime) {
            crashTime = created;
        }
    }
}

std::vector<std::u16string> FindCrashDumps() {
    double crashTime = 0;
    std::u16string fullDump;
    std::vector<std::u16string> minidumps;
    FindCrashDumps(crashTime, fullDump, minidumps);
    return minidumps;
}

} // namespace pv
