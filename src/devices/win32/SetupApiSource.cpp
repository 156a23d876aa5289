#include "devices/win32/SetupApiSource.h"
#include "platform/win32/AnsiText.h"
#include "devices/RegistryViews.h"
#include "devices/RollBackDetect.h"
#include "devices/uDeviceInfo.h"
#include "platform/Text.h"
#include "platform/win32/GrowBuffer.h"
#include "sysinfo/AppFuncs.h"

namespace pv {

namespace {

DEVPROPKEY ToDevPropKey(const DevPropKey& key) {
    DEVPROPKEY out{};
    out.fmtid.Data1 = key.Data1;
    out.fmtid.Data2 = key.Data2;
    out.fmtid.Data3 = key.Data3;
    for (int i = 0; i < 8; ++i) {
        out.fmtid.Data4[i] = key.Data4[i];
    }
    out.pid = key.Pid;
    return out;
}

// GrowAndRetry over a SetupAPI call that fills `buffer` (at most `bytes`), reports the size it
// needs in `needed` and fails with the reason in the last error.
template <typename Call>
DWORD ReadSized(std::vector<uint8_t>& data, DWORD initialBytes, Call call) {
    return GrowAndRetry(
        data,
        [&](void* buffer, DWORD& bytes) -> DWORD {
            DWORD needed = 0;
            const bool ok = call(static_cast<BYTE*>(buffer), bytes, &needed);
            const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
            bytes = needed;
            return error;
        },
        initialBytes);
}

} // namespace

bool ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DevPropKey& key,
                        DevPropValue& value) {
    const DEVPROPKEY propertyKey = ToDevPropKey(key);
    DEVPROPTYPE type = 0;
    const DWORD rc = ReadSized(value.Data, 4096, [&](BYTE* buffer, DWORD bytes, DWORD* needed) {
        return setupapi::GetDeviceProperty(set, device, &propertyKey, &type, buffer, bytes, needed,
                                           0) != FALSE;
    });
    value.Type = rc == ERROR_SUCCESS ? static_cast<uint32_t>(type) : 0;
    return rc == ERROR_SUCCESS;
}

bool SetupApiSource::Open(uint32_t flags) {
    set_.reset(setupapi::GetClassDevs(nullptr, nullptr, nullptr, flags));
    return set_.valid();
}

bool SetupApiSource::SelectDevice(uint32_t index) {
    device_ = SP_DEVINFO_DATA{};
    device_.cbSize = sizeof(SP_DEVINFO_DATA); // 28 in a 32-bit process, 32 in a 64-bit one
    return setupapi::EnumDeviceInfo(set_.get(), index, &device_) != FALSE;
}

bool SetupApiSource::RegistryProperty(uint32_t code, uint32_t& type, std::vector<uint8_t>& data) {
    DWORD valueType = REG_NONE;
    DWORD required = 0;
    setupapi::GetDeviceRegistryProperty(set_.get(), &device_, code, &valueType, nullptr, 0,
                                        &required);
    if (required == 0) {
        return false;
    }
    const DWORD rc = ReadSized(data, required, [&](BYTE* buffer, DWORD bytes, DWORD* needed) {
        return setupapi::GetDeviceRegistryProperty(set_.get(), &device_, code, &valueType, buffer,
                                                   bytes, needed) != FALSE;
    });
    type = valueType;
    return rc == ERROR_SUCCESS && !data.empty();
}

bool SetupApiSource::DeviceProperty(const DevPropKey& key, DevPropValue& value) {
    return ReadDeviceProperty(set_.get(), &device_, key, value) && !value.Data.empty();
}

std::u16string SetupApiSource::InstanceId() {
    ULONG length = 0;
    if (setupapi::GetDeviceIdSize(&length, device_.DevInst, 0) != CR_SUCCESS || length == 0) {
        return {};
    }
    std::u16string buffer(length + 1, u'\0');
    if (setupapi::GetDeviceId(device_.DevInst, W(buffer.data()), length + 1, 0) != CR_SUCCESS) {
        return {};
    }
    return std::u16string(buffer.c_str());
}

DevNodeStatus SetupApiSource::NodeStatus() {
    ULONG status = 0;
    ULONG problem = 0;
    const CONFIGRET rc = setupapi::GetDevNodeStatus(&status, &problem, device_.DevInst, 0);
    return {static_cast<uint32_t>(rc), static_cast<uint32_t>(status),
            static_cast<uint32_t>(problem)};
}

std::u16string SetupApiSource::RegistryText(const std::u16string& keyPath,
                                            const std::u16string& name) {
    return ReadRegistryText(HKEY_LOCAL_MACHINE, keyPath, name, std::u16string(), kDriverKeyView);
}

std::vector<uint8_t> SetupApiSource::RegistryBytes(const std::u16string& keyPath,
                                                   const std::u16string& name) {
    return ReadRegistryBytes(HKEY_LOCAL_MACHINE, keyPath, name, kDriverKeyView);
}

bool SetupApiSource::Rollback(const std::u16string& instanceId) {
    return DetectRollback(set_.get(), &device_, instanceId, GetOSFlag());
}

bool SetupApiSource::IsDchService(const std::u16string& serviceName) {
    return pv::IsDchService(serviceName);
}

std::string SetupApiSource::AnsiBytes(const std::u16string& text) {
    return TextToAnsi(text);
}

} // namespace pv
