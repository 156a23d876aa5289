#include "report/win32/DriverFolders.h"
#include "platform/win32/AnsiText.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFlags.h"
#include "product/AppConfig.h"
#include "report/DriverSettings.h"
#include "report/win32/ReportWriters.h"

namespace pv {

namespace {

// A settings file larger than this is not a settings file; it is read as empty.
constexpr DWORD kMaxSettingsBytes = 4 * 1024 * 1024;

// The [Drivers] value, read with full sharing so the host product may hold the file open.
// Empty when the file cannot be read.
std::u16string DriversValue(const std::u16string& settingsFile, const char16_t* key) {
    UniqueFile file(::CreateFileW(
        W(settingsFile), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | kNoImpersonation, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxSettingsBytes) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size()) - done,
                        &got, nullptr) ||
            got == 0) {
            break;
        }
        done += got;
    }
    bytes.resize(done);
    return IniValue(DecodeIniBytes(bytes, AnsiToText), u"Drivers", key);
}

std::u16string DriverPathOf(DriverPath which, const char16_t* key) {
    const std::u16string user = UserProductFolder();
    if (user.empty()) {
        return {};
    }
    const std::u16string settingsFile = user + u"Prefs.ini";
    const bool exists = PlainFileExists(settingsFile);
    const std::u16string value = exists ? DriversValue(settingsFile, key) : std::u16string();
    return DriverPathFrom(which, exists, value, CommonProductFolder());
}

} // namespace

std::u16string BackupIndexIni() {
    return DriverPathOf(DriverPath::BackupIndexIni, u"BackPath");
}

std::u16string BackupIndexJson() {
    return DriverPathOf(DriverPath::BackupIndexJson, u"BackPath");
}

std::u16string DownloadFolder() {
    return DriverPathOf(DriverPath::DownloadFolder, u"DownPath");
}

} // namespace pv
