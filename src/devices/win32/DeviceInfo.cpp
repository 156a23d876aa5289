#include "devices/uDeviceInfo.h"
#include "devices/RegistryViews.h"
#include "devices/win32/SetupApiSource.h"
#include "platform/Text.h"
#include "platform/win32/Md5.h"
#include "platform/win32/Registry.h"

namespace pv {

namespace {

std::u16string Md5Text(std::string_view bytes) {
    Md5Stream md5;
    md5.Update(bytes.data(), bytes.size());
    return md5.Final();
}

char16_t LocaleChar(LCTYPE type, char16_t fallback) {
    wchar_t text[8] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 8) > 1 ? static_cast<char16_t>(text[0])
                                                                    : fallback;
}

} // namespace

int GetDeviceList(TList<PDeviceItem>& list, uint32_t flags) {
    const SetupApiBindingScope binding;
    SetupApiSource source; // holds the device set, destroyed before the binding goes
    return GetDeviceListFrom(source, list, flags, Md5Text);
}

bool IsDchService(const std::u16string& serviceName) {
    const UniqueRegKey key =
        RegOpenRead(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\" + serviceName,
                    kServiceKeyView);
    return key && ::RegQueryValueExW(key.get(), L"DCHUVen", nullptr, nullptr, nullptr, nullptr) ==
                      ERROR_SUCCESS;
}

DeviceTextFormat UserDeviceTextFormat() {
    const DeviceTextFormat defaults;
    return {LocaleChar(LOCALE_SDECIMAL, defaults.DecimalSeparator),
            LocaleChar(LOCALE_SDATE, defaults.DateSeparator),
            LocaleChar(LOCALE_STIME, defaults.TimeSeparator)};
}

} // namespace pv
