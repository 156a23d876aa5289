#pragma once
// Where the host product keeps its files, and the shared view of its settings file.
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

// Folder values end in a backslash, or are empty when unknown. Set by RefreshProductFolders.
const std::u16string& UserAppDataDir();
const std::u16string& CommonAppDataDir();
// UserAppDataDir() + "Orvix\Plenvia\" (per-user product folder); empty when the base is unknown.
std::u16string UserProductFolder();
// UserProductFolder() + "Logs\": the tool's own reports are written here.
std::u16string LogFolder();
// CommonAppDataDir() + "Orvix\Plenvia\" (machine-wide product folder).
std::u16string CommonProductFolder();
// Stores the two base folders (a trailing backslash is added; empty stays empty). Called by
// RefreshProductFolders; tests call it directly. UI thread only, before any job starts.
void SetProductFolders(const std::u16string& userAppData, const std::u16string& commonAppData);

// ---- Pure rules of the product's registry entries and settings --------------------------------

// Uninstall keys (local machine, 32-bit view) whose "DisplayIcon" names the main and beta editions.
inline constexpr char16_t kMainUninstallKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Plenvia_is1";
inline constexpr char16_t kBetaUninstallKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Plenvia Beta_is1";
// Key (local machine, 32-bit view) holding the DWORD "InstDate" in whole days.
inline constexpr char16_t kProductKey[] = u"SOFTWARE\\Orvix\\Plenvia";

// The eight games-store edition keys in the order they are tried (64-bit view): each product
// number in the native branch, then in the Wow6432Node branch.
const std::vector<std::u16string>& EditionKeys();

// Installation folder from the raw "DisplayIcon" value: its folder part (up to and including the
// last backslash or colon, so an icon suffix such as ",0" drops away and an opening quote stays).
// Empty for a non-string value type or an empty text.
std::u16string FolderFromDisplayIcon(uint32_t type, const std::vector<uint8_t>& data);
// An edition's "InstallLocation" as a folder value; empty stays empty.
std::u16string EditionFolderFromLocation(const std::u16string& location);

// "mm/dd/yyyy hh:nn:ss[:anything]" as a date-time value (days since 30 December 1899, time of day
// as the fraction). The time may be missing; what follows the seconds is ignored (milliseconds
// are dropped). Empty or unparsable text, or a two-digit year, gives 0.
double ParseInstDate1(const std::u16string& text);
// The installation date from the settings file's value and the registry's whole days: whichever
// is known, the smaller when both are (0 = unknown).
double CombineInstallDate(double settingsDate, uint32_t registryDays);

#ifdef _WIN32
// Reads CSIDL_APPDATA and CSIDL_COMMON_APPDATA; a folder the shell cannot give stays empty.
void RefreshProductFolders();
// Installation folders read from the uninstall entries; empty when unknown. Not cached.
std::u16string MainInstallFolder();
std::u16string BetaInstallFolder();
// Folders of the games-store editions in key order (a folder may occur twice); empty list when
// none.
std::vector<std::u16string> EditionFolders();
// The first folder EditionFolders would list; empty when none.
std::u16string FirstEditionFolder();

// The process-wide view of the host product's settings file "Prefs.ini" in the per-user product
// folder. Acquire creates it on first use (refreshing the folders, creating the per-user product
// folder and clearing a read-only flag on the settings file); each Acquire is paired with one
// Release, the last of which destroys it. Creation and release are serialised by one lock.
class TConfig {
public:
    static TConfig& Acquire();
    static void Release();

    // The installation date as a date-time value, 0 when unknown. Without a usable settings file
    // only the registry's "InstDate" decides. Reads the settings file and registry on each call.
    double InstallDate() const;
    // Full path of the settings file; empty when the instance has none.
    const std::u16string& SettingsPath() const { return settingsPath_; }

    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

private:
    TConfig();
    ~TConfig() = default;

    std::u16string settingsPath_;
};
#endif

} // namespace pv
