// The system report's volumes and processes sections.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/SysInfo.h"
#include "sysinfo/win32/SectionRegistry.h"

#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Wow64View.h"

#include <cwchar>

namespace pv {

using namespace sections;

// ---- Volumes ---------------------------------------------------------------------------------

const std::vector<std::u16string>& GetVolumesSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Volumes");
    const DWORD needed = ::GetLogicalDriveStringsW(0, nullptr);
    if (needed == 0) {
        return lines;
    }
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    const DWORD got = ::GetLogicalDriveStringsW(needed, buffer.data());
    if (got == 0 || got > needed) {
        return lines;
    }
    for (const wchar_t* root = buffer.data(); *root; root += std::wcslen(root) + 1) {
        if (::GetDriveTypeW(root) != DRIVE_FIXED) {
            continue;
        }
        const std::u16string rootText = U16(root);
        std::u16string label, serial, fileSystem, freeText, totalText;
        wchar_t labelBuf[MAX_PATH + 1] = {};
        wchar_t fsBuf[MAX_PATH + 1] = {};
        DWORD serialNumber = 0;
        if (::GetVolumeInformationW(root, labelBuf, MAX_PATH, &serialNumber, nullptr, nullptr,
                                    fsBuf, MAX_PATH)) {
            label = U16(labelBuf);
            serial = SafeFormat(u"%.8x", {static_cast<unsigned long>(serialNumber)});
            fileSystem = U16(fsBuf);
        }
        ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
        if (::GetDiskFreeSpaceExW(root, &freeToCaller, &total, &totalFree)) {
            freeText = FormatByteSize(2, totalFree.QuadPart);
            totalText = FormatByteSize(2, total.QuadPart);
        }
        lines.push_back(
            VolumeLine(rootText.substr(0, 1), label, serial, fileSystem, freeText, totalText));
    }
    return lines;
}

// ---- Processes -------------------------------------------------------------------------------

namespace {
using ModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

ModuleFileNameExFn ModuleFileNameEx() {
    static const ModuleFileNameExFn fn = [] {
        const HMODULE psapi = LoadSystemLibrary(L"psapi.dll"); // kept for the process's life
        return SystemEntry<ModuleFileNameExFn>(psapi, "GetModuleFileNameExW");
    }();
    return fn;
}
} // namespace

const std::vector<std::u16string>& GetProcessesSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Processes");
    const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return lines;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const UniqueHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
        if (!process) {
            continue;
        }
        entry.szExeFile[MAX_PATH - 1] = L'\0';
        std::u16string path;
        // The 32-bit exe cannot read a 64-bit process's module list; a 64-bit build leaves the
        // same paths empty.
        const auto fn = ModuleFileNameEx();
        if (fn && ReadsMainModulePathOf(process.get(), entry.th32ProcessID)) {
            wchar_t buf[MAX_PATH + 1] = {};
            const DWORD n = fn(process.get(), nullptr, buf, MAX_PATH);
            if (n > 0) {
                path = StripNtPathPrefix(U16(buf, n < MAX_PATH ? n : MAX_PATH));
            }
        }
        lines.push_back(ProcessLine(U16(entry.szExeFile), entry.th32ProcessID, path));
    }
    return lines;
}

} // namespace pv
