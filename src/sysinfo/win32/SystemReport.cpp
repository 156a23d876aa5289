// SystemInfo.txt: the fourteen machine facts, then the inventory and restore sections.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/BSOD.h"
#include "sysinfo/RegistryViews.h"
#include "sysinfo/SysInfo.h"

#include "platform/ReportText.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Registry.h"
#include "product/AppConfig.h"
#include "platform/win32/SystemLibrary.h"

#include <atomic>

namespace pv {

namespace {

// Milliseconds of the performance counter; 0 when a counter query fails.
long long CounterNowMilliseconds() {
    LARGE_INTEGER counter{}, frequency{};
    if (!::QueryPerformanceCounter(&counter) || !::QueryPerformanceFrequency(&frequency)) {
        return 0;
    }
    return CounterMilliseconds(counter.QuadPart, frequency.QuadPart);
}

std::atomic<long long> gProgramStartMs{CounterNowMilliseconds()};

std::u16string CrashTimeText() {
    double crashTime = 0;
    std::u16string fullDump;
    std::vector<std::u16string> minidumps;
    FindCrashDumps(crashTime, fullDump, minidumps);
    if (crashTime == 0) {
        return u"N/A";
    }
    double installDate = 0;
    TConfig& config = TConfig::Acquire();
    try {
        installDate = config.InstallDate();
    } catch (...) {
        installDate = 0;
    }
    TConfig::Release();
    return ShowCrashTime(crashTime, installDate) ? DateTimeText(crashTime) : u"N/A";
}

bool IsAdministrator() {
    HMODULE advapi = ::GetModuleHandleW(L"advapi32.dll");
    if (!advapi) {
        advapi = LoadSystemLibrary(L"advapi32.dll"); // kept for the process's life
    }
    if (!advapi) {
        return false;
    }
    using AllocateFn = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD,
                                     DWORD, DWORD, DWORD, DWORD, PSID*);
    using CheckFn = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
    using FreeFn = PVOID(WINAPI*)(PSID);
    const auto allocate = SystemEntry<AllocateFn>(advapi, "AllocateAndInitializeSid");
    const auto check = SystemEntry<CheckFn>(advapi, "CheckTokenMembership");
    const auto release = SystemEntry<FreeFn>(advapi, "FreeSid");
    if (!allocate || !check || !release) {
        return false;
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!allocate(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                  &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    const bool ok = check(nullptr, administrators, &member) != FALSE;
    release(administrators);
    return ok && member;
}

std::u16string ProcessorsText() {
    const std::u16string base = u"hardware\\description\\system\\centralProcessor\\";
    const auto nameOf = [&](int n) {
        return RegReadString(HKEY_LOCAL_MACHINE, base + ToText(n), u"ProcessorNameString",
                             kProcessorKeyView);
    };
    const std::u16string name = CleanProcessorName(nameOf(0));
    const int count = CountProcessors([&](int n) { return !nameOf(n).empty(); });
    return name + u" (" + ToText(count) + u"x)";
}

std::u16string DisplayModeText() {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    int depth = 0;
    if (HDC dc = ::GetDC(nullptr)) {
        depth = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
        ::ReleaseDC(nullptr, dc);
    }
    return ToText(width) + u"x" + ToText(height) + u", " + ToText(depth) + u" bit";
}

std::u16string SystemUpTimeText() {
    LARGE_INTEGER counter{}, frequency{};
    if (!::QueryPerformanceCounter(&counter) || !::QueryPerformanceFrequency(&frequency)) {
        return {};
    }
    return DurationText(CounterSeconds(counter.QuadPart, frequency.QuadPart));
}

std::u16string ProgramUpTimeNowText() {
    const long long now = CounterNowMilliseconds();
    return now == 0 ? std::u16string() : ProgramUpTimeText(gProgramStartMs.load(), now);
}

std::u16string PhysicalMemoryText() {
    uint64_t available = 0;
    uint64_t total = 0;
    using StatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);
    const auto statusEx =
        SystemEntry<StatusExFn>(::GetModuleHandleW(L"kernel32.dll"), "GlobalMemoryStatusEx");
    MEMORYSTATUSEX ex{};
    ex.dwLength = sizeof ex;
    if (statusEx && statusEx(&ex)) {
        available = ex.ullAvailPhys;
        total = ex.ullTotalPhys;
    } else {
        MEMORYSTATUS basic{};
        basic.dwLength = sizeof basic;
        ::GlobalMemoryStatus(&basic);
        available = basic.dwAvailPhys;
        total = basic.dwTotalPhys;
    }
    return ToText(static_cast<long long>(RoundToMegabytes(available))) + u"/" +
           ToText(static_cast<long long>(RoundToMegabytes(total))) + u" MB (free/total)";
}

// Committed memory outside loaded modules, walking the address space region by region.
uint64_t AllocatedMemory() {
    uint64_t total = 0;
    const void* lastBase = nullptr;
    bool lastIsModule = false;
    uintptr_t address = 0;
    MEMORY_BASIC_INFORMATION info{};
    while (::VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) ==
           sizeof info) {
        if (info.State == MEM_COMMIT) {
            if (info.AllocationBase != lastBase) {
                lastBase = info.AllocationBase;
                wchar_t name[MAX_PATH + 1] = {};
                lastIsModule = ::GetModuleFileNameW(static_cast<HMODULE>(info.AllocationBase), name,
                                                    MAX_PATH) != 0;
            }
            if (!lastIsModule) {
                total += info.RegionSize;
            }
        }
        const uintptr_t next = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return total;
}

char16_t ThreadDecimalSeparator() {
    static const char16_t separator = [] {
        wchar_t buf[8] = {};
        return ::GetLocaleInfoW(::GetThreadLocale(), LOCALE_SDECIMAL, buf, 8) > 1
                   ? static_cast<char16_t>(buf[0])
                   : u',';
    }();
    return separator;
}

template <typename Builder> void AppendGuarded(ReportText& report, Builder build) {
    std::vector<std::u16string> lines;
    try {
        lines = build();
    } catch (...) {
        return;
    }
    for (const auto& line : lines) {
        report.Add(line);
    }
}

void BuildReport(ReportText& report) {
    const std::u16string crashTime = CrashTimeText();
    report.Add(u"===== System =====");
    report.Add(u"");
    report.Add(FactLine(u"Operating System", GetWindowsName()));
    report.Add(FactLine(u"Locale-Language", GetUILanguageTag()));
    report.Add(FactLine(u"Time Zone", GetTimeZoneText()));
    report.Add(FactLine(u"Computer Name", GetComputerNameText()));
    report.Add(FactLine(u"User Name", GetUserNameText()));
    report.Add(FactLine(u"Administrator", BoolText(IsAdministrator())));
    report.Add(FactLine(u"Processors", ProcessorsText()));
    report.Add(FactLine(u"Display Mode", DisplayModeText()));
    report.Add(FactLine(u"System Up Time", SystemUpTimeText()));
    report.Add(FactLine(u"Program Up Time", ProgramUpTimeNowText()));
    report.Add(FactLine(u"Physical Memory", PhysicalMemoryText()));
    report.Add(FactLine(u"Allocated Memory",
                        CompactSizeText(AllocatedMemory(), ThreadDecimalSeparator())));
    report.Add(FactLine(u"BSOD Time", crashTime));
    report.Add(FactLine(u"Log Time", DateTimeText(NowDateTime())));

    AppendGuarded(report, [] { return GetVolumesSection(); });
    AppendGuarded(report, [] { return GetProcessesSection(); });
    AppendGuarded(report, [] { return GetProgramsSection(); });
    AppendGuarded(report, [] { return GetAutorunsSection(); });
    AppendGuarded(report, [] { return GetServicesSection(); });
    AppendGuarded(report, [] { return GetDriversSection(); });
    AppendGuarded(report, [] { return GetBHOsSection(); });
    AppendGuarded(report, [] { return GetSystemRestoreSection(FindRestoreLibrary()); });
}

} // namespace

void InitSystemFacts() {
    GetOSFlag();
    if (gProgramStartMs.load() == 0) {
        gProgramStartMs.store(CounterNowMilliseconds());
    }
}

void WriteSystemInfo(const std::u16string& logFolder) {
    try {
        if (logFolder.empty()) {
            return; // no known log folder: never write relative to the current folder
        }
        ReportText report;
        BuildReport(report);
        ForceFolder(logFolder);
        WriteReportFile(WithTrailingBackslash(logFolder) + u"SystemInfo.txt", report.Bytes());
    } catch (...) {
        // Failures of the system report are silent; the plan finds no file or an older one.
    }
}

} // namespace pv
