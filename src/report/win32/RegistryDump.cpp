#include "report/RegistryDump.h"
#include "report/RegistryViews.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Registry.h"
#include "product/AppConfig.h"
#include "report/win32/ReportWriters.h"

namespace pv {

namespace {

std::u16string ValueText(HKEY key, const char16_t* name) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (RegQueryBytes(key, name, type, data) != ERROR_SUCCESS) {
        return {};
    }
    return RegistryValueText(type, data);
}

} // namespace

void WriteRegistryDump(TFeedback&) {
    // Created when missing, as the host product expects its key to exist.
    UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvix\\Plenvia", 0, nullptr, 0,
                          KEY_ALL_ACCESS | RegistryViewAccess(kRegistryDumpView), nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        return;
    }
    const ReportText report =
        RegistryDumpLines(ValueText(key.get(), u"ftype"), ValueText(key.get(), u"shareid"),
                          ValueText(key.get(), u"share_id"));
    const std::u16string logFolder = LogFolder();
    if (!logFolder.empty()) {
        WriteReportFile(logFolder + u"pvreg.txt", report.Bytes());
    }
}

} // namespace pv
