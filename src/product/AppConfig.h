#pragma once
// Where the host product keeps its files, and the shared view of its settings file.
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

#ifdef _WIN32
void RefreshProductFolders();
// Installation folders read from the uninstall entries; empty when unknown. Not cached.
std::u16string MainInstallFolder();
std::u16string BetaInstallFolder();
std::vector<std::u16string> EditionFolders();
std::u16string FirstEditionFolder();
#endif

} // namespace pv
