#include "triage/model/MemberCaps.h"

#include <array>

namespace pv::triage {
namespace {

constexpr std::string_view ParsedReports[] = {
    "SystemInfo.txt", "DeviceList.txt", "MEMORYDMP.txt", "PingHosts.txt",
    "NetInfo.txt",    "pvreg.txt",      "Hosts",         "AppData/Logs/Install/setupapi.dev.log",
};
constexpr std::string_view FileListPrefix = "FileList";
constexpr std::string_view FileListSuffix = ".txt";
constexpr std::string_view DumpSuffix = ".dmp";
constexpr std::string_view ProductDump = "MiniDrvSetup.dmp";

// The core finds its members ignoring ASCII case and with either folder separator, so the
// loader must read every member that it would pick.
char Fold(char c) {
    if (c == '\\')
        return '/';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

} // namespace

bool IsParsedMember(std::string_view name) {
    for (std::string_view report : ParsedReports)
        if (SameName(name, report))
            return true;
    if (IsDumpMember(name))
        return true;
    // FileList.txt, FileList_beta.txt, FileList_lumen3.txt, ...: top level only.
    return name.size() >= FileListPrefix.size() + FileListSuffix.size() &&
           SameName(name.substr(0, FileListPrefix.size()), FileListPrefix) &&
           SameName(name.substr(name.size() - FileListSuffix.size()), FileListSuffix) &&
           name.find_first_of("/\\") == std::string_view::npos;
}

// Crash dumps at the top level, but the product's own: the core decodes them.
bool IsDumpMember(std::string_view name) {
    return name.size() > DumpSuffix.size() && name.find_first_of("/\\") == std::string_view::npos &&
           SameName(name.substr(name.size() - DumpSuffix.size()), DumpSuffix) &&
           !SameName(name, ProductDump);
}

} // namespace pv::triage
