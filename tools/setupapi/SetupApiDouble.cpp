// SetupAPI and CfgMgr32 double: the entry points the device enumeration binds, over three canned
// devices (kDevices). Every device is reported with its own node status, install state, install
// date and strong-name property; pSetupDiBuildInfoDataFromStrongName accepts exactly the strong
// name's first piece and whole text of the device that can roll back. Anything else fails the way
// the system libraries fail for a missing value.
#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

struct DevInfoData { // SP_DEVINFO_DATA
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};

struct DevPropKey { // DEVPROPKEY
    GUID fmtid;
    ULONG pid;
};

constexpr DWORD kSpdrpDeviceDesc = 0;
constexpr DWORD kSpdrpHardwareId = 1;
constexpr DWORD kSpdrpClass = 7;
constexpr DWORD kSpdrpClassGuid = 8;
constexpr DWORD kSpdrpInstallState = 34;
constexpr ULONG kDevPropTypeString = 0x12;
constexpr ULONG kDevPropTypeFiletime = 0x10;
constexpr DWORD kCrSuccess = 0;
constexpr DWORD kCrNoSuchDevnode = 13;
constexpr DWORD kCrInvalidDevnode = 5;
constexpr DWORD kCrBufferSmall = 26;
constexpr ULONG kDnStarted = 0x8;
constexpr ULONG kDnHasProblem = 0x400;
// {83DA6326-97A6-4088-9453-A1923F573B29}: 4 the driver's strong name, 100 the install date.
constexpr GUID kInstallProps = {
    0x83da6326, 0x97a6, 0x4088, {0x94, 0x53, 0xa1, 0x92, 0x3f, 0x57, 0x3b, 0x29}};
constexpr GUID kSystemClass = {
    0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

struct Device {
    const wchar_t* InstanceId;
    const wchar_t* Description;
    DWORD NodeResult; // CM_Get_DevNode_Status's result
    ULONG Status;
    ULONG Problem;
    DWORD InstallState;
    const wchar_t* StrongName;
    unsigned long long InstallDate; // FILETIME ticks
};

// Newest install first, as the report orders them. Keep in step with tests/wine/test_devices.py.
const Device kDevices[] = {
    {L"ROOT\\ACME_ROLLBACK\\0000", L"Acme device with an earlier driver", kCrSuccess, kDnStarted, 0,
     0, L"oem12.inf:acme.NTamd64:AcmeInstall:2.1.0.0:root\\acme_rollback", 133500000000000000ULL},
    {L"ROOT\\ACME_REMOVED\\0000", L"Acme device not plugged in", kCrNoSuchDevnode, 0, 0, 0,
     L"oem12.inf:acme.NTamd64:AcmeInstall:2.1.0.0:root\\acme_rollback", 133400000000000000ULL},
    {L"ROOT\\ACME_PROBLEM\\0000", L"Acme device with a problem", kCrSuccess,
     kDnStarted | kDnHasProblem, 28, 3, L"oem99.inf:acme.NTamd64:AcmeInstall:1.0.0.0:x",
     133300000000000000ULL},
};
constexpr DWORD kDeviceCount = sizeof kDevices / sizeof kDevices[0];
const HANDLE kSet = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5E7));

const Device* DeviceOf(const DevInfoData* data) {
    if (!data || data->DevInst < 1 || data->DevInst > kDeviceCount) {
        return nullptr;
    }
    return &kDevices[data->DevInst - 1];
}

// Copies `size` bytes out as the system does: the required size always, the data when it fits.
BOOL Give(const void* value, DWORD size, BYTE* buffer, DWORD bufferSize, DWORD* required) {
    if (required) {
        *required = size;
    }
    if (!buffer || bufferSize < size) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, value, size);
    return TRUE;
}

DWORD TextBytes(const wchar_t* text) {
    return static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
}

} // namespace

extern "C" {

__declspec(dllexport) HANDLE WINAPI SetupDiGetClassDevsW(const GUID*, const wchar_t*, HWND, DWORD) {
    return kSet;
}

__declspec(dllexport) BOOL WINAPI
    SetupDiEnumDeviceInfo(HANDLE set, DWORD index, DevInfoData* data) {
    if (set != kSet || !data || data->cbSize != sizeof(DevInfoData)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (index >= kDeviceCount) {
        ::SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->ClassGuid = kSystemClass;
    data->DevInst = index + 1;
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI
    SetupDiGetDeviceRegistryPropertyW(HANDLE, DevInfoData* data, DWORD property, DWORD* type,
                                      BYTE* buffer, DWORD size, DWORD* required) {
    const Device* device = DeviceOf(data);
    if (!device) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    switch (property) {
    case kSpdrpDeviceDesc:
        if (type) {
            *type = REG_SZ;
        }
        return Give(device->Description, TextBytes(device->Description), buffer, size, required);
    case kSpdrpHardwareId: {
        wchar_t list[128] = {};
        std::wcsncpy(list, device->InstanceId, 100);
        const DWORD bytes = TextBytes(list) + sizeof(wchar_t); // the list's closing empty text
        if (type) {
            *type = REG_MULTI_SZ;
        }
        return Give(list, bytes, buffer, size, required);
    }
    case kSpdrpClass:
        if (type) {
            *type = REG_SZ;
        }
        return Give(L"System", TextBytes(L"System"), buffer, size, required);
    case kSpdrpClassGuid: {
        const wchar_t* guid = L"{4d36e97d-e325-11ce-bfc1-08002be10318}";
        if (type) {
            *type = REG_SZ;
        }
        return Give(guid, TextBytes(guid), buffer, size, required);
    }
    case kSpdrpInstallState:
        if (type) {
            *type = REG_DWORD;
        }
        return Give(&device->InstallState, sizeof(DWORD), buffer, size, required);
    default:
        if (required) {
            *required = 0;
        }
        ::SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
}

__declspec(dllexport) BOOL WINAPI
    SetupDiGetDevicePropertyW(HANDLE, DevInfoData* data, const DevPropKey* key, ULONG* type,
                              BYTE* buffer, DWORD size, DWORD* required, DWORD) {
    const Device* device = DeviceOf(data);
    if (!device || !key || std::memcmp(&key->fmtid, &kInstallProps, sizeof(GUID)) != 0) {
        ::SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    if (key->pid == 4) {
        if (type) {
            *type = kDevPropTypeString;
        }
        return Give(device->StrongName, TextBytes(device->StrongName), buffer, size, required);
    }
    if (key->pid == 100) {
        if (type) {
            *type = kDevPropTypeFiletime;
        }
        return Give(&device->InstallDate, sizeof device->InstallDate, buffer, size, required);
    }
    ::SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI SetupDiDestroyDeviceInfoList(HANDLE set) {
    return set == kSet;
}

// A driver can be built for a device whose strong name names oem12.inf, and only when given the
// name's first piece and its whole text. The removed device's name qualifies too: only the plug
// state keeps it from rolling back.
__declspec(dllexport) BOOL WINAPI
    pSetupDiBuildInfoDataFromStrongName(HANDLE, DevInfoData* data, const wchar_t* firstPiece,
                                        const wchar_t* whole) {
    const Device* device = DeviceOf(data);
    return device && firstPiece && whole && std::wcscmp(firstPiece, L"oem12.inf") == 0 &&
           std::wcscmp(whole, device->StrongName) == 0;
}

__declspec(dllexport) DWORD WINAPI CM_Get_Device_ID_Size(ULONG* length, DWORD devInst, ULONG) {
    if (!length || devInst < 1 || devInst > kDeviceCount) {
        return kCrInvalidDevnode;
    }
    *length = static_cast<ULONG>(std::wcslen(kDevices[devInst - 1].InstanceId));
    return kCrSuccess;
}

__declspec(dllexport) DWORD WINAPI
    CM_Get_Device_IDW(DWORD devInst, wchar_t* buffer, ULONG chars, ULONG) {
    if (!buffer || devInst < 1 || devInst > kDeviceCount) {
        return kCrInvalidDevnode;
    }
    const wchar_t* id = kDevices[devInst - 1].InstanceId;
    if (std::wcslen(id) + 1 > chars) {
        return kCrBufferSmall;
    }
    std::wcscpy(buffer, id);
    return kCrSuccess;
}

__declspec(dllexport) DWORD WINAPI
    CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DWORD devInst, ULONG) {
    if (!status || !problem || devInst < 1 || devInst > kDeviceCount) {
        return kCrInvalidDevnode;
    }
    const Device& device = kDevices[devInst - 1];
    *status = device.Status;
    *problem = device.Problem;
    return device.NodeResult;
}
}
