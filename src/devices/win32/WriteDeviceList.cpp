#include "devices/uDeviceInfo.h"
#include "platform/win32/FileIo.h"

namespace pv {

void WriteDeviceList(const std::u16string& logFolder) {
    const std::u16string path = logFolder + kDeviceListFileName;
    try {
        const ReportText report = BuildDeviceListReport(
            [](TList<PDeviceItem>& list) { return GetDeviceList(list, kDigcfAllClasses); },
            UserDeviceTextFormat());
        // A failed write removes the earlier run's list itself.
        WriteReportFile(path, report.Bytes());
    } catch (...) {
        // A report that cannot be built is left out, and so is the earlier run's, which would be
        // packed as if it were this one; the job goes on.
        try {
            DeleteReportFile(path);
        } catch (...) {
        }
    }
}

} // namespace pv
