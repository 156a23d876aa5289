#include "devices/DeviceEnumeration.h"
#include "platform/Text.h"
#include <memory>

namespace pv {

namespace {

std::u16string RegistryPropertyText(DeviceSource& source, uint32_t code) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    return source.RegistryProperty(code, type, data) ? PropertyText(data) : std::u16string();
}

std::u16string RegistryPropertyList(DeviceSource& source, uint32_t code) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    return source.RegistryProperty(code, type, data) ? Trim(PropertyList(data)) : std::u16string();
}

uint32_t RegistryPropertyDword(DeviceSource& source, uint32_t code) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    return source.RegistryProperty(code, type, data) ? PropertyDword(type, data) : 0;
}

// The property with its type; a failed read is typeless and empty, which every reader takes as
// no value.
DevPropValue DeviceProperty(DeviceSource& source, const DevPropKey& key) {
    DevPropValue value;
    if (!source.DeviceProperty(key, value)) {
        value = DevPropValue{};
    }
    return value;
}

// A driver-key value; empty when the device has no driver key.
std::u16string DriverKeyText(DeviceSource& source, const std::u16string& driverKey,
                             const std::u16string& name) {
    return driverKey.empty() ? std::u16string() : source.RegistryText(driverKey, name);
}

} // namespace

void FillDeviceItem(DeviceSource& source, TDeviceItem& item, Md5TextFunction md5) {
    item.ClassGuid = Trim(RegistryPropertyText(source, kSpdrpClassGuid));
    item.ClassName = ClassNameOrUnknown(RegistryPropertyText(source, kSpdrpClass));
    const std::u16string driverKey = DriverKeyPath(RegistryPropertyText(source, kSpdrpDriver));

    const std::u16string matching =
        DevicePropertyText(DeviceProperty(source, kDevKeyMatchingDeviceId));
    item.MatchingId = MatchingIdFrom(
        matching, matching.empty() ? DriverKeyText(source, driverKey, u"MatchingDeviceId") : u"");

    item.Name = Trim(RegistryPropertyText(source, kSpdrpFriendlyName));
    item.Description = Trim(RegistryPropertyText(source, kSpdrpDeviceDesc));
    if (item.Name.empty()) {
        item.Name = item.Description;
    }

    item.DevInst = source.DevInst();
    item.InstallState = RegistryPropertyDword(source, kSpdrpInstallState) & 0xFF;
    item.CompatibleIds = RegistryPropertyList(source, kSpdrpCompatibleIds);
    item.HardwareIds = RegistryPropertyList(source, kSpdrpHardwareId);
    item.InstanceId = source.InstanceId();
    item.Key = md5(source.AnsiBytes(item.InstanceId));

    const DevNodeStatus node = source.NodeStatus();
    item.PlugState = node.Result != kCrNoSuchDevnode;
    item.Reinstall = (RegistryPropertyDword(source, kSpdrpConfigFlags) & kConfigFlagReinstall) != 0;
    item.ProblemNumber =
        node.Result == kCrSuccess && (node.Status & kDnHasProblem) != 0 ? node.Problem : 0;

    const std::u16string provider =
        DevicePropertyText(DeviceProperty(source, kDevKeyDriverProvider));
    item.DriverProvider = DriverTextFrom(
        provider, provider.empty() ? DriverKeyText(source, driverKey, u"ProviderName") : u"");
    const std::u16string version = DevicePropertyText(DeviceProperty(source, kDevKeyDriverVersion));
    item.DriverVersion = DriverTextFrom(
        version, version.empty() ? DriverKeyText(source, driverKey, u"DriverVersion") : u"");
    item.DriverDate = DevicePropertyDate(DeviceProperty(source, kDevKeyDriverDate));
    if (item.DriverDate == 0 && !driverKey.empty()) {
        item.DriverDate = DriverDateDataDate(source.RegistryBytes(driverKey, u"DriverDateData"));
    }

    item.ProblemCode = DevicePropertyDword(DeviceProperty(source, kDevKeyProblemCode));
    item.InstallDate = DevicePropertyDate(DeviceProperty(source, kDevKeyInstallDate));
    item.ClassGuid = ClassGuidOrDefault(item.ClassGuid);
    item.Rollback = item.PlugState && source.Rollback(item.InstanceId);
    item.IsDch = source.IsDchService(Trim(RegistryPropertyText(source, kSpdrpService)));
}

int GetDeviceListFrom(DeviceSource& source, TList<PDeviceItem>& list, uint32_t flags,
                      Md5TextFunction md5) {
    if (!source.Open(flags)) {
        return -1;
    }
    int count = 0;
    for (uint32_t index = 0; source.SelectDevice(index); ++index) {
        std::unique_ptr<TDeviceItem, void (*)(PDeviceItem)> item(NewDeviceItem(),
                                                                 DisposeDeviceItem);
        FillDeviceItem(source, *item, md5);
        list.Add(item.get());
        item.release();
        ++count;
    }
    return count;
}

} // namespace pv
