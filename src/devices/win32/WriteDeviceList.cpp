#include "devices/uDeviceInfo.h"
#include "platform/win32/FileIo.h"

namespace pv {

void WriteDeviceList(const std::u16string& logFolder) {
    try {
        const ReportText report = BuildDeviceListReport(
            [](TList<PDeviceItem>& list) { return GetDeviceList(list, kDigcfAllClasses); },
            UserDeviceTextFormat());
        WriteReportFile(logFolder + kDeviceListFileName, report.Bytes());
    } catch (...) {
        // A report that cannot be built or saved is left out; the job goes on.
    }
}

} // namespace pv
