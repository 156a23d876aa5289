#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Registry.h"
#include "product/AppConfig.h"
#include "report/NetworkEndpoints.h"
#include "report/RegistryViews.h"
#include "report/win32/Feedback.h"
#include "report/win32/HttpClient.h"
#include "report/win32/LogFolderFile.h"
#include "report/win32/ReportWriters.h"
#include "sysinfo/AppFuncs.h"

namespace pv {

void WriteNetInfo(TFeedback& job) {
    const std::u16string path = LogFolderFile(u"NetInfo.txt");
    if (path.empty()) {
        return;
    }
    // A stale answer must never be packed: the old file goes, an empty one stands in until the
    // answer is written.
    DeleteReportFile(path);
    if (!WriteReportFile(path, std::string())) {
        return;
    }
    const HttpTarget target = AddressServiceFrom(RegReadString(
        HKEY_LOCAL_MACHINE, kEndpointOverrideKey, kAddressServiceValue, kEndpointOverrideView));
    std::string body;
    bool fetched = false;
    {
        WinsockTransport transport;
        fetched = HttpFetch(transport, target, body);
    }
    const bool written = body.empty() || WriteReportFile(path, body);
    if (fetched && written) {
        job.AddItem(path, u"NetInfo.txt");
    }
}

} // namespace pv
