#pragma once
// The narrow view of the setup database the enumeration reads through: SetupAPI on Windows, fakes
// in the native tests.
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

// A device property key: the property set's GUID and the property number.
struct DevPropKey {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    uint32_t Pid;
};

inline constexpr DevPropKey kDevKeyMatchingDeviceId{
    0xA8B865DD, 0x2E3D, 0x4094, {0xAD, 0x97, 0xE5, 0x93, 0xA7, 0x0C, 0x75, 0xD6}, 8};
inline constexpr DevPropKey kDevKeyDriverProvider{
    0xA8B865DD, 0x2E3D, 0x4094, {0xAD, 0x97, 0xE5, 0x93, 0xA7, 0x0C, 0x75, 0xD6}, 9};
inline constexpr DevPropKey kDevKeyDriverVersion{
    0xA8B865DD, 0x2E3D, 0x4094, {0xAD, 0x97, 0xE5, 0x93, 0xA7, 0x0C, 0x75, 0xD6}, 3};
inline constexpr DevPropKey kDevKeyDriverDate{
    0xA8B865DD, 0x2E3D, 0x4094, {0xAD, 0x97, 0xE5, 0x93, 0xA7, 0x0C, 0x75, 0xD6}, 2};
inline constexpr DevPropKey kDevKeyProblemCode{
    0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}, 3};
inline constexpr DevPropKey kDevKeyInstallDate{
    0x83DA6326, 0x97A6, 0x4088, {0x94, 0x53, 0xA1, 0x92, 0x3F, 0x57, 0x3B, 0x29}, 100};
// The driver strong name the rollback check rebuilds a driver from.
inline constexpr DevPropKey kDevKeyLastDriverStrongName{
    0x83DA6326, 0x97A6, 0x4088, {0x94, 0x53, 0xA1, 0x92, 0x3F, 0x57, 0x3B, 0x29}, 4};

// DEVPROPTYPE values of the properties the enumeration and the rollback check read.
inline constexpr uint32_t kDevPropTypeUint32 = 0x07;
inline constexpr uint32_t kDevPropTypeFileTime = 0x10;
inline constexpr uint32_t kDevPropTypeString = 0x12;

// A device property as the setup database hands it back: its DEVPROPTYPE and all of its bytes.
struct DevPropValue {
    uint32_t Type = 0;
    std::vector<uint8_t> Data;
};

// SetupAPI registry-property codes the enumeration reads.
enum DeviceRegistryProperty : uint32_t {
    kSpdrpDeviceDesc = 0,
    kSpdrpHardwareId = 1,
    kSpdrpCompatibleIds = 2,
    kSpdrpService = 4,
    kSpdrpClass = 7,
    kSpdrpClassGuid = 8,
    kSpdrpDriver = 9,
    kSpdrpConfigFlags = 10,
    kSpdrpFriendlyName = 12,
    kSpdrpInstallState = 34,
};

inline constexpr uint32_t kDigcfAllClasses = 4;
inline constexpr uint32_t kCrSuccess = 0;
inline constexpr uint32_t kCrNoSuchDevnode = 13;
inline constexpr uint32_t kCrInvalidApi = 32;
inline constexpr uint32_t kDnHasProblem = 0x400;
inline constexpr uint32_t kConfigFlagReinstall = 0x20;

// CM_Get_DevNode_Status: its result code, the status bits and the problem number.
struct DevNodeStatus {
    uint32_t Result = kCrInvalidApi;
    uint32_t Status = 0;
    uint32_t Problem = 0;
};

class DeviceSource {
public:
    virtual ~DeviceSource() = default;

    // Opens the device set with the SetupDiGetClassDevs flags; false when it cannot be opened.
    virtual bool Open(uint32_t flags) = 0;
    // Makes the index-th device the current one; false when there is none (ends the walk).
    virtual bool SelectDevice(uint32_t index) = 0;

    // The current device's registry property (SPDRP code): false when it fails or is empty,
    // otherwise its registry type and exactly the bytes it reported.
    virtual bool RegistryProperty(uint32_t code, uint32_t& type, std::vector<uint8_t>& data) = 0;
    // The current device's property: false when the call fails or the value is empty; otherwise
    // its type and all of its bytes, however long.
    virtual bool DeviceProperty(const DevPropKey& key, DevPropValue& value) = 0;
    virtual uint32_t DevInst() = 0;
    // CM_Get_Device_IDW of the current device; empty on failure.
    virtual std::u16string InstanceId() = 0;
    virtual DevNodeStatus NodeStatus() = 0;

    // HKLM\<keyPath> value as ReadRegistryText gives it with an empty default.
    virtual std::u16string RegistryText(const std::u16string& keyPath,
                                        const std::u16string& name) = 0;
    // HKLM\<keyPath> value's bytes; empty when missing.
    virtual std::vector<uint8_t> RegistryBytes(const std::u16string& keyPath,
                                               const std::u16string& name) = 0;

    // Whether a previous driver of the current device can be rolled back to.
    virtual bool Rollback(const std::u16string& instanceId) = 0;
    virtual bool IsDchService(const std::u16string& serviceName) = 0;
    // The text in the system ANSI code page.
    virtual std::string AnsiBytes(const std::u16string& text) = 0;
};

} // namespace pv
