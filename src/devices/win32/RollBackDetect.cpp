#include "devices/RollBackDetect.h"
#include "devices/DeviceSource.h"
#include "devices/RegistryViews.h"
#include "devices/win32/SetupApiBinding.h"
#include "devices/win32/SetupApiSource.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Wow64View.h"

#include <optional>

namespace pv {

namespace {

constexpr char16_t kReinstallKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Reinstall";

// File-system redirection off for the guard's lifetime, when both calls are bound; a 64-bit build
// stops mapping its reads into the 32-bit file view for as long.
class RedirectionOff {
public:
    explicit RedirectionOff(bool wanted) {
        if (wanted) {
            active_ = setupapi::DisableRedirection(&old_) != FALSE;
            nativeView_.emplace();
        }
    }
    ~RedirectionOff() {
        if (active_) {
            setupapi::RevertRedirection(old_);
        }
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    PVOID old_ = nullptr;
    bool active_ = false;
    std::optional<NativeFileViewScope> nativeView_;
};

bool RegistryMethod(const std::u16string& instanceId, uint32_t osFlag) {
    const RegistryView view = RollbackRegistryView(osFlag);
    const RedirectionOff redirection(RollbackUses64BitView(osFlag));
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
            return !file.empty() && PlainFileExists(PathIn32BitView(file));
        }
    }
    return false;
}

bool PropertyMethod(HDEVINFO set, SP_DEVINFO_DATA* device) {
    DevPropValue value;
    std::u16string whole;
    if (!ReadDeviceProperty(set, device, kDevKeyLastDriverStrongName, value) ||
        !StrongNameOf(value, whole)) {
        return false;
    }
    const std::u16string first = StrongNameFirstPiece(whole);
    return setupapi::BuildInfoDataFromStrongName(set, device, W(first), W(whole)) != FALSE;
}

} // namespace

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
