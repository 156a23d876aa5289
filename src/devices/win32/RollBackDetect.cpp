#include "devices/RollBackDetect.h"
#include "devices/DeviceSource.h"
#include "devices/win32/SetupApiBinding.h"
#include "devices/win32/SetupApiSource.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemLibrary.h"

namespace pv {

namespace {

struct RollbackSlots {
    UniqueLibrary setupApi;
    UniqueLibrary kernel32;
    BOOL(WINAPI* getDeviceProperty)
    (HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*, DEVPROPTYPE*, PBYTE, DWORD, PDWORD,
     DWORD) = nullptr;
    BOOL(WINAPI* buildInfoDataFromStrongName)
    (HDEVINFO, PSP_DEVINFO_DATA, LPCWSTR, LPCWSTR) = nullptr;
    BOOL(WINAPI* disableRedirection)(PVOID*) = nullptr;
    BOOL(WINAPI* revertRedirection)(PVOID) = nullptr;
};

// Bound at start-up, read by the worker thread afterwards; never changed while a job runs.
RollbackSlots& Slots() {
    static RollbackSlots slots;
    return slots;
}

constexpr char16_t kReinstallKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Reinstall";

// File-system redirection off for the guard's lifetime, when both calls are bound.
class RedirectionOff {
public:
    explicit RedirectionOff(bool wanted) {
        const RollbackSlots& s = Slots();
        if (wanted && s.disableRedirection && s.revertRedirection) {
            active_ = s.disableRedirection(&old_) != FALSE;
        }
    }
    ~RedirectionOff() {
        if (active_) {
            Slots().revertRedirection(old_);
        }
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    PVOID old_ = nullptr;
    bool active_ = false;
};

bool RegistryMethod(const std::u16string& instanceId, uint32_t osFlag) {
    const bool wide = RollbackUses64BitView(osFlag);
    const REGSAM view = wide ? KEY_WOW64_64KEY : 0;
    const RedirectionOff redirection(wide);
    const UniqueRegKey root = RegOpenRead(HKEY_LOCAL_MACHINE, kReinstallKey, view);
    if (!root) {
        return false;
    }
    for (const std::u16string& name : RegSubKeyNames(root.get())) {
        const UniqueRegKey entry =
            RegOpenRead(HKEY_LOCAL_MACHINE, std::u16string(kReinstallKey) + u"\\" + name, view);
        if (!entry) {
            continue;
        }
        const std::u16string ids =
            ReinstallInstanceIdOrBlanks(RegReadString(entry.get(), u"DeviceInstanceIds"));
        if (SameInstanceId(instanceId, ids)) {
            // A "ReinstallString" that is not text names no file.
            const std::u16string file = RegReadString(entry.get(), u"ReinstallString");
            return !file.empty() && PlainFileExists(file);
        }
    }
    return false;
}

bool PropertyMethod(HDEVINFO set, SP_DEVINFO_DATA* device) {
    const RollbackSlots& s = Slots();
    if (s.getDeviceProperty == nullptr || s.buildInfoDataFromStrongName == nullptr) {
        return false;
    }
    constexpr DWORD kBufferBytes = 1024;
    std::vector<uint8_t> data(kBufferBytes, 0);
    const DEVPROPKEY key = ToDevPropKey(kDevKeyLastDriverStrongName);
    DEVPROPTYPE type = 0;
    DWORD required = 0;
    if (!s.getDeviceProperty(set, device, &key, &type, data.data(), kBufferBytes, &required, 0)) {
        return false;
    }
    const std::u16string whole = StrongNameText(data);
    const std::u16string first = StrongNameFirstPiece(whole);
    return s.buildInfoDataFromStrongName(set, device, W(first), W(whole)) != FALSE;
}

} // namespace

void BindRollbackApi() {
    RollbackSlots& s = Slots();
    if (!s.setupApi) {
        s.setupApi.reset(LoadSystemLibrary(L"setupapi.dll"));
    }
    s.getDeviceProperty =
        SystemEntry<decltype(s.getDeviceProperty)>(s.setupApi.get(), "SetupDiGetDevicePropertyW");
    s.buildInfoDataFromStrongName = SystemEntry<decltype(s.buildInfoDataFromStrongName)>(
        s.setupApi.get(), "pSetupDiBuildInfoDataFromStrongName");
    if (!s.kernel32) {
        s.kernel32.reset(LoadSystemLibrary(L"kernel32.dll"));
    }
    s.disableRedirection = SystemEntry<decltype(s.disableRedirection)>(
        s.kernel32.get(), "Wow64DisableWow64FsRedirection");
    s.revertRedirection = SystemEntry<decltype(s.revertRedirection)>(
        s.kernel32.get(), "Wow64RevertWow64FsRedirection");
}

void ReleaseRollbackApi() {
    RollbackSlots& s = Slots();
    s.getDeviceProperty = nullptr;
    s.buildInfoDataFromStrongName = nullptr;
    s.disableRedirection = nullptr;
    s.revertRedirection = nullptr;
    s.setupApi.reset();
    s.kernel32.reset();
}

bool DetectRollback(HDEVINFO set, SP_DEVINFO_DATA* device, const std::u16string& instanceId,
                    uint32_t osFlag) {
    switch (RollbackMethodFor(osFlag)) {
    case RollbackMethod::Registry:
        return RegistryMethod(instanceId, osFlag);
    case RollbackMethod::Property:
        return PropertyMethod(set, device);
    case RollbackMethod::None:
        break;
    }
    return false;
}

} // namespace pv
