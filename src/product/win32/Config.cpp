#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "product/AppConfig.h"
#include "product/RegistryViews.h"
#include <mutex>

namespace pv {

namespace {

// Never destroyed, so a late Release during process exit still finds them.
std::mutex& ConfigLock() {
    static auto* lock = new std::mutex();
    return *lock;
}
TConfig* g_instance = nullptr;
int g_useCount = 0;

// Makes the settings file usable: its folder exists (bounded retries) and it is not read-only.
// False when the folder cannot be made.
bool OpenSettingsFile(const std::u16string& path) {
    const std::u16string folder = FolderPart(path);
    if (folder.empty() || folder == u"\\") {
        return false; // never a file relative to the current folder of an elevated process
    }
    for (int attempt = 0; attempt < 101 && !FolderExists(folder); ++attempt) {
        if (!CreatePlainFolder(folder)) {
            break;
        }
    }
    if (!FolderExists(folder)) {
        return false;
    }
    ClearReadOnlyFlag(path);
    return true;
}

// [section] key of an ini file through the profile functions; the buffer grows by half while the
// text fills it. Empty when missing.
std::u16string ReadIniText(const std::u16string& path, const char16_t* section,
                           const char16_t* key) {
    DWORD size = 2048;
    for (int attempt = 0; attempt < 24; ++attempt) {
        std::u16string buffer(size, u'\0');
        const DWORD got =
            ::GetPrivateProfileStringW(W(section), W(key), L"", W(buffer.data()), size, W(path));
        if (got + 1 < size) {
            buffer.resize(got);
            return buffer;
        }
        size += size / 2;
    }
    return {};
}

} // namespace

TConfig::TConfig() {
    RefreshProductFolders();
    const std::u16string folder = UserProductFolder();
    if (folder.empty()) {
        return;
    }
    if (!FolderExists(folder)) {
        CreatePlainFolder(folder);
    }
    const std::u16string path = folder + u"Prefs.ini";
    if (OpenSettingsFile(path)) {
        settingsPath_ = path;
    }
}

TConfig& TConfig::Acquire() {
    const std::lock_guard<std::mutex> guard(ConfigLock());
    if (g_instance == nullptr) {
        g_instance = new TConfig();
    }
    ++g_useCount;
    return *g_instance;
}

void TConfig::Release() {
    const std::lock_guard<std::mutex> guard(ConfigLock());
    if (g_useCount == 0) {
        return;
    }
    if (--g_useCount == 0) {
        delete g_instance;
        g_instance = nullptr;
    }
}

double TConfig::InstallDate() const {
    double settingsDate = 0;
    if (!settingsPath_.empty()) {
        settingsDate = ParseInstDate1(ReadIniText(settingsPath_, u"Main", u"InstDate1"));
    }
    uint32_t registryDays = 0;
    if (!RegReadDword(HKEY_LOCAL_MACHINE, kProductKey, u"InstDate", registryDays,
                      kProductKeyView)) {
        registryDays = 0;
    }
    return CombineInstallDate(settingsDate, registryDays);
}

} // namespace pv
