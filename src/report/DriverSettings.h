#pragma once
// The host product's driver folders as its settings file Prefs.ini [Drivers] names them.
#include <functional>
#include <string>
#include <string_view>

namespace pv {

// Text of an ini file's bytes: a UTF-8 or UTF-16 (LE or BE) byte-order mark selects that encoding;
// other bytes go through `ansi` (the system's ANSI code page on Windows).
using AnsiDecoder = std::function<std::u16string(std::string_view)>;
std::u16string DecodeIniBytes(std::string_view bytes, const AnsiDecoder& ansi);

// Value of `key` in `[section]`, names compared ignoring the case of A-Z, blanks around names and
// values trimmed; the first match wins. Empty when the section or key is missing.
std::u16string IniValue(std::u16string_view text, std::u16string_view section,
                        std::u16string_view key);

enum class DriverPath { BackupIndexIni, BackupIndexJson, DownloadFolder };

// The path a lookup gives: empty without a settings file or for a value that is not a folder of a
// local drive ("X:\...") or network share ("\\server\share..."), forward slashes taken as
// backslashes ("D:/Drv" is "D:\Drv"); the value (with a backslash appended unless it ends in one) +
// "Vault.ini" / "Vault.json" / nothing; or, for an empty value, the machine-wide product folder +
// "Vault\Vault.ini", "Vault\Vault.json" or "Download\".
std::u16string DriverPathFrom(DriverPath which, bool settingsFileExists,
                              const std::u16string& value, const std::u16string& machineFolder);

} // namespace pv
