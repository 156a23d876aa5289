#include "platform/win32/Wow64View.h"
#include "platform/Text.h"

#include <versionhelpers.h>

namespace pv {

namespace {

thread_local int gNativeFileViews = 0;

// The Windows folder and exemptions, read once; an unknown Windows folder maps nothing.
const RedirectionFacts& Facts() {
    static const RedirectionFacts facts = [] {
        RedirectionFacts f;
        wchar_t folder[MAX_PATH + 1] = {};
        const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            f.WindowsFolder = U16(folder, length);
        }
        f.DriverStoreExempt = ::IsWindows7OrGreater();
        return f;
    }();
    return facts;
}

std::optional<std::u16string> EnvironmentValue(std::u16string_view name) {
    const std::u16string key(name);
    std::u16string value(256, u'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length =
            ::GetEnvironmentVariableW(W(key), W(value.data()), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::u16string();
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.assign(length + 1, u'\0'); // too small: `length` is the size it needs
    }
    return std::nullopt;
}

} // namespace

uint16_t NativeArchitecture() {
    static const uint16_t architecture = [] {
        SYSTEM_INFO info{};
        ::GetNativeSystemInfo(&info);
        return info.wProcessorArchitecture;
    }();
    return architecture;
}

bool WindowsIs64Bit() {
    return IsArchitecture64Bit(NativeArchitecture());
}

std::u16string PathIn32BitView(const std::u16string& path) {
    if (!kProcessIs64Bit || gNativeFileViews > 0 || !WindowsIs64Bit()) {
        return path;
    }
    return RedirectedFor32BitProcess(path, Facts());
}

NativeFileViewScope::NativeFileViewScope() {
    ++gNativeFileViews;
}

NativeFileViewScope::~NativeFileViewScope() {
    --gNativeFileViews;
}

int CsidlIn32BitView(int csidl) {
    return ShellFolderFor32BitView(csidl, kProcessIs64Bit);
}

void Use32BitEnvironment() {
    for (const EnvironmentChange& change :
         EnvironmentFor32BitView(kProcessIs64Bit, EnvironmentValue)) {
        ::SetEnvironmentVariableW(W(change.Name), W(change.Value));
    }
}

bool ReadsMainModulePathOf(HANDLE process, DWORD processId) {
    BOOL wow64 = FALSE;
    const bool is32Bit = ::IsWow64Process(process, &wow64) && wow64;
    return ReadsMainModulePath(kProcessIs64Bit, is32Bit, processId == ::GetCurrentProcessId());
}

} // namespace pv
