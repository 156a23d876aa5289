#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "product/AppConfig.h"
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

// Creates the missing folders of `folder` one by one. The tool runs elevated inside a folder the
// user owns, so it never descends through a link or junction that could aim the creation
// elsewhere. False when the folder does not exist afterwards.
bool CreateFolderChain(const std::u16string& folder) {
    const std::vector<std::u16string> chain = FolderChain(folder);
    if (chain.empty()) {
        return false;
    }
    for (size_t i = 0; i < chain.size(); ++i) {
        const std::u16string& dir = chain[i];
        DWORD attrs = ::GetFileAttributesW(W(dir));
        if (attrs == INVALID_FILE_ATTRIBUTES) {
            if (!::CreateDirectoryW(W(dir), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
            attrs = ::GetFileAttributesW(W(dir));
        }
        if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return false;
        }
        // The drive root may legitimately be a mount point; nothing below it may be a link.
        if (i > 0 && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;
        }
    }
    return true;
}

// Sets a read-only settings file's attributes to normal, through a handle, and only when it is a
// regular single-link file: a link or hard link planted at the name must not let the elevated
// tool change another file's attributes.
void ClearReadOnly(const std::u16string& path) {
    UniqueFile file(::CreateFileW(W(path), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        info.nNumberOfLinks != 1 || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return;
    }
    FILE_BASIC_INFO basic{}; // zero times leave them unchanged
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic));
}

// Makes the settings file usable: its folder exists (bounded retries) and it is not read-only.
// False when the folder cannot be made.
bool OpenSettingsFile(const std::u16string& path) {
    const std::u16string folder = FolderPart(path);
    if (folder.empty() || folder == u"\\") {
        return false; // never a file relative to the current folder of an elevated process
    }
    for (int attempt = 0; attempt < 101 && !FolderExists(folder); ++attempt) {
        if (!CreateFolderChain(folder)) {
            break;
        }
    }
    if (!FolderExists(folder)) {
        return false;
    }
    ClearReadOnly(path);
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
        CreateFolderChain(folder);
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
    if (!RegReadDword(HKEY_LOCAL_MACHINE, kProductKey, u"InstDate", registryDays)) {
        registryDays = 0;
    }
    return CombineInstallDate(settingsDate, registryDays);
}

} // namespace pv
