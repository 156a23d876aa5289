// The system report's services and drivers sections, both from the service control manager.
#include "sysinfo/AppFuncs.h"
#include "sysinfo/SysInfo.h"
#include "sysinfo/win32/SectionRegistry.h"

#include "platform/Text.h"
#include "platform/win32/GrowBuffer.h"
#include "platform/win32/Handles.h"

namespace pv {

using namespace sections;

// ---- Services and drivers --------------------------------------------------------------------

namespace {

struct ServiceEntry {
    std::u16string Name;
    std::u16string DisplayName;
};

// Every service of `serviceType` in every state. The enumeration restarts from the first entry
// with the larger buffer, so no entry is lost between tries. False when the section must end.
bool EnumerateServices(SC_HANDLE manager, DWORD serviceType, std::vector<ServiceEntry>& out) {
    DWORD needed = 0;
    DWORD count = 0;
    DWORD resume = 0;
    if (::EnumServicesStatusW(manager, serviceType, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                              &resume)) {
        return false; // nothing to list
    }
    if (::GetLastError() != ERROR_MORE_DATA || needed == 0) {
        return false;
    }
    std::vector<uint8_t> buffer;
    const DWORD rc = GrowAndRetry(
        buffer,
        [&](void* data, DWORD& bytes) -> DWORD {
            DWORD more = 0;
            count = 0;
            resume = 0;
            if (::EnumServicesStatusW(manager, serviceType, SERVICE_STATE_ALL,
                                      static_cast<ENUM_SERVICE_STATUSW*>(data), bytes, &more,
                                      &count, &resume)) {
                return ERROR_SUCCESS;
            }
            const DWORD error = ::GetLastError();
            if (error == ERROR_MORE_DATA) {
                bytes += more > 0 ? more : bytes;
            }
            return error;
        },
        needed, 11);
    if (rc != ERROR_SUCCESS || count == 0 ||
        static_cast<size_t>(count) * sizeof(ENUM_SERVICE_STATUSW) > buffer.size()) {
        return false;
    }
    const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        out.push_back({U16(entries[i].lpServiceName), U16(entries[i].lpDisplayName)});
    }
    return true;
}

// Opens the manager, locks its database and lists the services; false when the section ends
// with its head only.
template <typename Each> void WalkServices(DWORD serviceType, Each each) {
    const UniqueService manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return;
    }
    const SC_LOCK lock = ::LockServiceDatabase(manager.get());
    if (!lock && ::GetLastError() == ERROR_SERVICE_DATABASE_LOCKED) {
        return;
    }
    std::vector<ServiceEntry> entries;
    try {
        if (EnumerateServices(manager.get(), serviceType, entries)) {
            for (const auto& entry : entries) {
                each(manager.get(), entry);
            }
        }
    } catch (...) {
        if (lock) {
            ::UnlockServiceDatabase(lock);
        }
        throw;
    }
    if (lock) {
        ::UnlockServiceDatabase(lock);
    }
}

} // namespace

const std::vector<std::u16string>& GetServicesSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Services");
    WalkServices(SERVICE_WIN32, [&](SC_HANDLE manager, const ServiceEntry& entry) {
        long state = -1;
        long startType = -1;
        const UniqueService service(
            ::OpenServiceW(manager, W(entry.Name), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
        if (service) {
            SERVICE_STATUS status{};
            if (::QueryServiceStatus(service.get(), &status)) {
                state = static_cast<long>(status.dwCurrentState);
            }
            DWORD needed = 0;
            if (!::QueryServiceConfigW(service.get(), nullptr, 0, &needed) &&
                ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > 0) {
                std::vector<uint8_t> config(needed);
                if (::QueryServiceConfigW(service.get(),
                                          reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config.data()),
                                          needed, &needed)) {
                    startType = static_cast<long>(
                        reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(config.data())->dwStartType);
                }
            }
        }
        lines.push_back(ServiceLine(entry.Name, entry.DisplayName, state, startType));
    });
    return lines;
}

const std::vector<std::u16string>& GetDriversSection() {
    static std::vector<std::u16string> lines;
    StartSection(lines, u"Drivers");
    WalkServices(SERVICE_DRIVER, [&](SC_HANDLE, const ServiceEntry& entry) {
        lines.push_back(DriverLine(entry.Name, entry.DisplayName));
    });
    return lines;
}

} // namespace pv
