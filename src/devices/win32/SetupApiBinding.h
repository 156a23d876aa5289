#pragma once
// The run-time binding of SetupAPI.dll and CfgMgr32.dll (both from the system folder) and of the
// two file-system redirection calls of kernel32.dll, made for one enumeration (the rollback check
// included) and released at its end. A call through an empty slot sets ERROR_PROC_NOT_FOUND and
// returns the failure value stated at its declaration.
#include "platform/win32/Handles.h"
#include <windows.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
#include <setupapi.h>

namespace pv {

// Loads SetupAPI.dll unless it is loaded already and resolves its five entry points and
// pSetupDiBuildInfoDataFromStrongName; then loads CfgMgr32.dll and resolves the three CM entry
// points there, or from SetupAPI.dll when CfgMgr32.dll cannot be loaded; last the redirection
// calls from kernel32.dll. Missing libraries or entry points leave their slots empty.
void BindSetupApi();
// Empties every slot and frees the libraries (SetupAPI and CfgMgr32 once when they are one).
void ReleaseSetupApi();

// Binds on construction and releases on destruction, so every way out of an enumeration releases.
class SetupApiBindingScope {
public:
    SetupApiBindingScope() { BindSetupApi(); }
    ~SetupApiBindingScope() { ReleaseSetupApi(); }
    SetupApiBindingScope(const SetupApiBindingScope&) = delete;
    SetupApiBindingScope& operator=(const SetupApiBindingScope&) = delete;
};

namespace setupapi {
// INVALID_HANDLE_VALUE when the slot is empty.
HDEVINFO GetClassDevs(const GUID* classGuid, const wchar_t* enumerator, HWND parent, DWORD flags);
// FALSE when the slot is empty.
BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device);
BOOL GetDeviceRegistryProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, DWORD* type,
                               BYTE* buffer, DWORD bufferBytes, DWORD* requiredBytes);
BOOL GetDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY* key,
                       DEVPROPTYPE* type, BYTE* buffer, DWORD bufferBytes, DWORD* requiredBytes,
                       DWORD flags);
BOOL DestroyDeviceInfoList(HDEVINFO set);
BOOL BuildInfoDataFromStrongName(HDEVINFO set, SP_DEVINFO_DATA* device, const wchar_t* strongName,
                                 const wchar_t* wholeText);
// Wow64DisableWow64FsRedirection; FALSE, and nothing turned off, unless the revert call is bound
// too, so redirection can always be turned back on.
BOOL DisableRedirection(void** old);
BOOL RevertRedirection(void* old);
// CR_INVALID_API when the slot is empty.
CONFIGRET GetDeviceIdSize(ULONG* length, DEVINST device, ULONG flags);
CONFIGRET GetDeviceId(DEVINST device, wchar_t* buffer, ULONG bufferChars, ULONG flags);
CONFIGRET GetDevNodeStatus(ULONG* status, ULONG* problem, DEVINST device, ULONG flags);
} // namespace setupapi

// A device information set, destroyed through the binding (so it must go before the binding is
// released). Invalid is INVALID_HANDLE_VALUE.
struct DevInfoTraits {
    using Type = HDEVINFO;
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO set) { setupapi::DestroyDeviceInfoList(set); }
};
using UniqueDevInfo = UniqueResource<DevInfoTraits>;

} // namespace pv
