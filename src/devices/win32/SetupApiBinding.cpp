#include "devices/win32/SetupApiBinding.h"
#include "platform/win32/SystemLibrary.h"

namespace pv {

namespace {

struct SetupApiSlots {
    UniqueLibrary setupApi;
    UniqueLibrary cfgMgr;
    UniqueLibrary kernel32;
    HDEVINFO(WINAPI* getClassDevs)(const GUID*, PCWSTR, HWND, DWORD) = nullptr;
    BOOL(WINAPI* enumDeviceInfo)(HDEVINFO, DWORD, PSP_DEVINFO_DATA) = nullptr;
    BOOL(WINAPI* getDeviceRegistryProperty)
    (HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD) = nullptr;
    BOOL(WINAPI* getDeviceProperty)
    (HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*, DEVPROPTYPE*, PBYTE, DWORD, PDWORD,
     DWORD) = nullptr;
    BOOL(WINAPI* destroyDeviceInfoList)(HDEVINFO) = nullptr;
    BOOL(WINAPI* buildInfoDataFromStrongName)
    (HDEVINFO, PSP_DEVINFO_DATA, LPCWSTR, LPCWSTR) = nullptr;
    CONFIGRET(WINAPI* getDeviceIdSize)(PULONG, DEVINST, ULONG) = nullptr;
    CONFIGRET(WINAPI* getDeviceId)(DEVINST, PWSTR, ULONG, ULONG) = nullptr;
    CONFIGRET(WINAPI* getDevNodeStatus)(PULONG, PULONG, DEVINST, ULONG) = nullptr;
    BOOL(WINAPI* disableRedirection)(PVOID*) = nullptr;
    BOOL(WINAPI* revertRedirection)(PVOID) = nullptr;
};

// Process-wide, unlocked: one enumeration runs at a time, on the report job's worker thread.
// Released at exit too, should an enumeration still hold it.
SetupApiSlots& Slots() {
    static SetupApiSlots slots;
    return slots;
}

template <typename Function> void Resolve(Function& slot, HMODULE module, const char* name) {
    slot = SystemEntry<Function>(module, name);
}

template <typename Result, typename Function, typename... Args>
Result CallSlot(Function slot, Result failure, Args... args) {
    if (slot == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return failure;
    }
    return slot(args...);
}

} // namespace

void BindSetupApi() {
    SetupApiSlots& s = Slots();
    if (!s.setupApi) {
        s.setupApi.reset(LoadSystemLibrary(L"setupapi.dll"));
    }
    const HMODULE setupApi = s.setupApi.get();
    Resolve(s.getClassDevs, setupApi, "SetupDiGetClassDevsW");
    Resolve(s.enumDeviceInfo, setupApi, "SetupDiEnumDeviceInfo");
    Resolve(s.getDeviceRegistryProperty, setupApi, "SetupDiGetDeviceRegistryPropertyW");
    Resolve(s.getDeviceProperty, setupApi, "SetupDiGetDevicePropertyW");
    Resolve(s.destroyDeviceInfoList, setupApi, "SetupDiDestroyDeviceInfoList");
    Resolve(s.buildInfoDataFromStrongName, setupApi, "pSetupDiBuildInfoDataFromStrongName");

    if (!s.cfgMgr) {
        s.cfgMgr.reset(LoadSystemLibrary(L"cfgmgr32.dll"));
    }
    const HMODULE cm = s.cfgMgr ? s.cfgMgr.get() : setupApi;
    Resolve(s.getDeviceId, cm, "CM_Get_Device_IDW");
    Resolve(s.getDeviceIdSize, cm, "CM_Get_Device_ID_Size");
    Resolve(s.getDevNodeStatus, cm, "CM_Get_DevNode_Status");

    if (!s.kernel32) {
        s.kernel32.reset(LoadSystemLibrary(L"kernel32.dll"));
    }
    Resolve(s.disableRedirection, s.kernel32.get(), "Wow64DisableWow64FsRedirection");
    Resolve(s.revertRedirection, s.kernel32.get(), "Wow64RevertWow64FsRedirection");
}

void ReleaseSetupApi() {
    SetupApiSlots& s = Slots();
    s.getClassDevs = nullptr;
    s.enumDeviceInfo = nullptr;
    s.getDeviceRegistryProperty = nullptr;
    s.getDeviceProperty = nullptr;
    s.destroyDeviceInfoList = nullptr;
    s.buildInfoDataFromStrongName = nullptr;
    s.getDeviceId = nullptr;
    s.getDeviceIdSize = nullptr;
    s.getDevNodeStatus = nullptr;
    s.disableRedirection = nullptr;
    s.revertRedirection = nullptr;
    s.kernel32.reset();
    s.cfgMgr.reset();
    s.setupApi.reset();
}

namespace setupapi {

HDEVINFO GetClassDevs(const GUID* classGuid, const wchar_t* enumerator, HWND parent, DWORD flags) {
    return CallSlot(Slots().getClassDevs, INVALID_HANDLE_VALUE, classGuid, enumerator, parent,
                    flags);
}

BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) {
    return CallSlot(Slots().enumDeviceInfo, FALSE, set, index, device);
}

BOOL GetDeviceRegistryProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, DWORD* type,
                               BYTE* buffer, DWORD bufferBytes, DWORD* requiredBytes) {
    return CallSlot(Slots().getDeviceRegistryProperty, FALSE, set, device, property, type, buffer,
                    bufferBytes, requiredBytes);
}

BOOL GetDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY* key,
                       DEVPROPTYPE* type, BYTE* buffer, DWORD bufferBytes, DWORD* requiredBytes,
                       DWORD flags) {
    return CallSlot(Slots().getDeviceProperty, FALSE, set, device, key, type, buffer, bufferBytes,
                    requiredBytes, flags);
}

BOOL DestroyDeviceInfoList(HDEVINFO set) {
    return CallSlot(Slots().destroyDeviceInfoList, FALSE, set);
}

BOOL BuildInfoDataFromStrongName(HDEVINFO set, SP_DEVINFO_DATA* device, const wchar_t* strongName,
                                 const wchar_t* wholeText) {
    return CallSlot(Slots().buildInfoDataFromStrongName, FALSE, set, device, strongName, wholeText);
}

BOOL DisableRedirection(void** old) {
    const SetupApiSlots& s = Slots();
    return CallSlot(s.revertRedirection != nullptr ? s.disableRedirection : nullptr, FALSE, old);
}

BOOL RevertRedirection(void* old) {
    return CallSlot(Slots().revertRedirection, FALSE, old);
}

CONFIGRET GetDeviceIdSize(ULONG* length, DEVINST device, ULONG flags) {
    return CallSlot(Slots().getDeviceIdSize, static_cast<CONFIGRET>(CR_INVALID_API), length, device,
                    flags);
}

CONFIGRET GetDeviceId(DEVINST device, wchar_t* buffer, ULONG bufferChars, ULONG flags) {
    return CallSlot(Slots().getDeviceId, static_cast<CONFIGRET>(CR_INVALID_API), device, buffer,
                    bufferChars, flags);
}

CONFIGRET GetDevNodeStatus(ULONG* status, ULONG* problem, DEVINST device, ULONG flags) {
    return CallSlot(Slots().getDevNodeStatus, static_cast<CONFIGRET>(CR_INVALID_API), status,
                    problem, device, flags);
}

} // namespace setupapi
} // namespace pv
