#pragma once
// The setup database through the SetupAPI binding: the source GetDeviceList reads.
#include "devices/DeviceSource.h"
#include "devices/win32/SetupApiBinding.h"

namespace pv {

// Needs BindSetupApi for its lifetime; destroys its device set on destruction.
class SetupApiSource final : public DeviceSource {
public:
    bool Open(uint32_t flags) override;
    bool SelectDevice(uint32_t index) override;
    bool RegistryProperty(uint32_t code, uint32_t& type, std::vector<uint8_t>& data) override;
    bool DeviceProperty(const DevPropKey& key, DevPropValue& value) override;
    uint32_t DevInst() override { return device_.DevInst; }
    std::u16string InstanceId() override;
    DevNodeStatus NodeStatus() override;
    std::u16string RegistryText(const std::u16string& keyPath, const std::u16string& name) override;
    std::vector<uint8_t> RegistryBytes(const std::u16string& keyPath,
                                       const std::u16string& name) override;
    bool Rollback(const std::u16string& instanceId) override;
    bool IsDchService(const std::u16string& serviceName) override;
    std::string AnsiBytes(const std::u16string& text) override;

private:
    UniqueDevInfo set_;
    SP_DEVINFO_DATA device_{};
};

// The one device-property read of the enumeration and the rollback check: false when the call
// fails (an empty slot included), `value` then empty; otherwise the property's type and all of its
// bytes (none for an empty value), the buffer grown to whatever size the property has.
bool ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DevPropKey& key,
                        DevPropValue& value);

} // namespace pv
