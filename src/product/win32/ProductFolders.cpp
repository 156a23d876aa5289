#include "platform/Text.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Wow64View.h"
#include "product/AppConfig.h"
#include "product/RegistryViews.h"
#include <shlobj.h>

namespace pv {

namespace {

// The shell's folder for `csidl` as the 32-bit exe gets it, up to its first NUL; empty when the
// shell cannot give it.
std::u16string SpecialFolder(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CsidlIn32BitView(csidl), FALSE)) {
        return {};
    }
    buffer[MAX_PATH] = L'\0';
    return U16(buffer);
}

std::u16string InstallFolderFromKey(const char16_t* subKey) {
    const UniqueRegKey key = RegOpenRead(HKEY_LOCAL_MACHINE, subKey, kInstallKeyView);
    if (!key) {
        return {};
    }
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (RegQueryBytes(key.get(), u"DisplayIcon", type, data) != ERROR_SUCCESS) {
        return {};
    }
    return FolderFromDisplayIcon(type, data);
}

// Calls `take` with each edition folder in key order until it returns false.
template <typename Take> void WalkEditionFolders(Take take) {
    for (const auto& subKey : EditionKeys()) {
        const UniqueRegKey key = RegOpenRead(HKEY_LOCAL_MACHINE, subKey, kEditionKeyView);
        if (!key) {
            continue;
        }
        const std::u16string folder =
            EditionFolderFromLocation(RegReadString(key.get(), u"InstallLocation"));
        if (!folder.empty() && !take(folder)) {
            return;
        }
    }
}

} // namespace

void RefreshProductFolders() {
    SetProductFolders(SpecialFolder(CSIDL_APPDATA), SpecialFolder(CSIDL_COMMON_APPDATA));
}

std::u16string MainInstallFolder() {
    return InstallFolderFromKey(kMainUninstallKey);
}

std::u16string BetaInstallFolder() {
    return InstallFolderFromKey(kBetaUninstallKey);
}

std::vector<std::u16string> EditionFolders() {
    std::vector<std::u16string> folders;
    WalkEditionFolders([&](const std::u16string& folder) {
        folders.push_back(folder);
        return true;
    });
    return folders;
}

std::u16string FirstEditionFolder() {
    std::u16string first;
    WalkEditionFolders([&](const std::u16string& folder) {
        first = folder;
        return false;
    });
    return first;
}

} // namespace pv
