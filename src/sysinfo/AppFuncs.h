#pragma once
// The toolbox of small system queries and text helpers shared by the report writers. Pure rules are
// declared for both builds; the Windows queries sit under _WIN32. No helper throws: a failed query
// gives an empty text, 0 or false as stated at each declaration.
#include "platform/Calendar.h"
#include "platform/Wow64Rules.h"
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pv {

// ---- Windows version name and flag ------------------------------------------------------------

// The version figures the name and the flag are made from.
struct WindowsVersion {
    uint32_t PlatformId = 0; // 2 = NT
    uint32_t Major = 0;
    uint32_t Minor = 0;
    uint32_t Build = 0;
    uint8_t ProductType = 0;    // 1 = workstation
    uint16_t Architecture = 0;  // 0 x86, 6 ia64, 9 x64
    bool ServerR2 = false;      // system metric SM_SERVERR2 non-zero
    std::u16string ServicePack; // szCSDVersion
};

// "Windows 10 x64 Build 19045" and the like; empty for a platform other than NT.
std::u16string WindowsNameFor(const WindowsVersion& version);
// One bit per Windows release and architecture; 0 when nothing matches.
uint32_t OSFlagFor(const WindowsVersion& version);

// ---- Time zone -------------------------------------------------------------------------------

// `zoneResult` is GetTimeZoneInformation's result: 0 or 1 standard, 2 daylight, else unknown
// (empty text). Biases in minutes, positive west of UTC. "Name (UTC-03:30)".
std::u16string TimeZoneTextFor(uint32_t zoneResult, long bias, long standardBias, long daylightBias,
                               const std::u16string& standardName,
                               const std::u16string& daylightName);

// ---- Number formatting -----------------------------------------------------------------------

// Separators of the "n" conversion: the user's locale on Windows, "," and "." natively.
struct NumberSeparators {
    char16_t Thousand = u',';
    char16_t Decimal = u'.';
};
// Read once from the user's default locale and kept (the defaults above when it cannot be read).
const NumberSeparators& UserNumberSeparators();

// One argument of SafeFormat: an integer, a floating-point number or a text.
class FormatArg {
public:
    FormatArg(int v) : value_(static_cast<long long>(v)) {}
    FormatArg(long v) : value_(static_cast<long long>(v)) {}
    FormatArg(long long v) : value_(v) {}
    FormatArg(unsigned v) : value_(static_cast<long long>(v)) {}
    FormatArg(unsigned long v) : value_(static_cast<long long>(v)) {}
    FormatArg(unsigned long long v) : value_(static_cast<long long>(v)) {}
    FormatArg(double v) : value_(v) {}
    FormatArg(const char16_t* v) : value_(std::u16string(v ? v : u"")) {}
    FormatArg(std::u16string v) : value_(std::move(v)) {}
    FormatArg(std::u16string_view v) : value_(std::u16string(v)) {}
    const std::variant<long long, double, std::u16string>& Value() const { return value_; }

private:
    std::variant<long long, double, std::u16string> value_;
};

// printf-like formatting in the manner of the product's own: %[index:][-][width][.prec]type with
// types d u x (upper-case) s n f e g m p and %%. A wrong argument type, a missing argument or a bad
// specifier gives the pattern itself, unformatted.
std::u16string SafeFormat(std::u16string_view pattern, std::initializer_list<FormatArg> args,
                          const NumberSeparators& separators);
std::u16string SafeFormat(std::u16string_view pattern, std::initializer_list<FormatArg> args);

// "%d B" below 1024, else "%.<decimals>n KB|MB|GB" with the given separators.
std::u16string FormatByteSize(int decimals, uint64_t size, const NumberSeparators& separators);
std::u16string FormatByteSize(int decimals, uint64_t size); // user's separators

// ---- Texts and lists -------------------------------------------------------------------------

// Clears `out`; 0 when the text is blank after trimming; otherwise the pieces between delimiters
// of the untrimmed text ("a||" gives "a", "", ""). Returns the number of items.
int SplitByDelimiter(std::u16string_view text, std::u16string_view delimiter,
                     std::vector<std::u16string>& out);

// ReadRegistryText's rule for a value that was read: strings up to the first NUL, any other type
// as raw UTF-16 units (size div 2 of them); the default when that text is empty.
std::u16string RegistryTextFromBytes(uint32_t type, const std::vector<uint8_t>& data,
                                     const std::u16string& defaultText);

// ---- Date-time values (days since 30 December 1899, time of day as the fraction) ---------------

// Calendar fields to a date-time value (fields assumed valid; year >= 1).
double EncodeDateTime(const CivilDate& time);
// Date-time value to calendar fields, rounded to the millisecond; day 0 for a value that is not
// finite, lies beyond 3,000,000 days either way or before year 1.
CivilDate DecodeDateTime(double value);
// The date-time text: date, a blank and time; the date alone when the time is exactly midnight.
std::u16string JoinDateTimeText(double value, const std::u16string& dateText,
                                const std::u16string& timeText);

// ---- Folder walk -----------------------------------------------------------------------------

struct FolderEntry {
    std::u16string Name;
    bool IsFolder = false;
    // A junction or directory link: listed folders never descend through one, since two links
    // back to their parent make the walk endless and one to elsewhere leaves the listed tree.
    bool IsLink = false;
};
// One search of `folder` for `mask`; false when it finds nothing or fails.
using FolderSearch = bool (*)(void* context, const std::u16string& folder,
                              const std::u16string& mask, std::vector<FolderEntry>& entries);
// The walk of ListFolderFiles over any search: breadth first, file-system order, stops at the first
// folder whose search finds nothing; subfolders that are links are not entered. `rootExists` false
// gives 0.
int WalkFolderFiles(std::vector<std::u16string>& out, const std::u16string& root, bool rootExists,
                    const std::u16string& mask, const std::vector<std::u16string>* exclusions,
                    bool recurse, FolderSearch search, void* context);

#ifdef _WIN32
// ---- Windows queries ---------------------------------------------------------------------------
// The plain FolderSearch over the file system (32-bit file view); `context` is unused.
bool SearchFolder(void* context, const std::u16string& folder, const std::u16string& mask,
                  std::vector<FolderEntry>& entries);

// The version figures the system reports to this program, the processor architecture the native
// one (the same for both builds); false when the version query fails.
bool QueryWindowsVersion(WindowsVersion& version);
std::u16string GetWindowsName();
// Computed on the first call and kept while it is not 0. Call once at start-up.
uint32_t GetOSFlag();
// "en-US" form of the user's UI language ("en" / "US" where a part cannot be read).
std::u16string GetUILanguageTag();
std::u16string GetTimeZoneText();
std::u16string GetComputerNameText(); // empty on failure
std::u16string GetUserNameText();     // empty on failure
// Folders end with a backslash; empty on failure. The system folder is the System32 text in both
// builds (a 32-bit process is told System32 too); reads below it go through the 32-bit file view.
std::u16string GetSystemFolder();
// The folder the 32-bit exe gets for `csidl` (the x86 Program Files folders on 64-bit Windows).
std::u16string GetShellFolder(int csidl);
// GetFileVersionText, GetFileSizeSafe and ListFolderFiles read through the 32-bit file view
// (PathIn32BitView); the paths ListFolderFiles hands back are as named.
// parts 1..4 of the file version ("1.2.3.4"); empty path = this program; empty on failure.
std::u16string GetFileVersionText(const std::u16string& path, int parts);
// Full size in bytes; 0 when the file cannot be opened or its size read.
uint64_t GetFileSizeSafe(const std::u16string& path);
// Creates the folder and its missing parents (see CreatePlainFolder: a plain absolute path, no
// link on the way); false on any error.
bool ForceFolder(const std::u16string& path);
// Clears `out`, lists files under `root` matching `mask` (see WalkFolderFiles); returns the count.
int ListFolderFiles(std::vector<std::u16string>& out, const std::u16string& root,
                    const std::u16string& mask, const std::vector<std::u16string>* exclusions,
                    bool recurse);
// KEY_READ in `view`. The default when the key or value is missing or empty.
std::u16string ReadRegistryText(HKEY root, const std::u16string& key, const std::u16string& name,
                                const std::u16string& defaultText, RegistryView view);
// The value's bytes whatever its type, read in `view`; empty when missing or unreadable.
std::vector<uint8_t> ReadRegistryBytes(HKEY root, const std::u16string& key,
                                       const std::u16string& name, RegistryView view);
// Local time now as a date-time value, to the millisecond.
double NowDateTime();
// "\"target\" arguments" of a .lnk file; empty when the shell-link object is unavailable.
std::u16string GetShortcutCommand(const std::u16string& path);
// The user's short date and long time of a date-time value (date only at midnight).
std::u16string DateTimeText(double value);
// The user's short date of a date-time value.
std::u16string DateText(double value);
// A file time (UTC) as a local date-time value; 0 when a conversion fails.
double FileTimeToDateTime(const FILETIME& utc);
#endif

} // namespace pv
