// Placeholders for writers not built yet. Whoever builds a writer deletes its stub here in the
// same commit.
#include "report/win32/ReportWriters.h"

namespace pv {

// stub:WritePingHosts
void WritePingHosts(TFeedback&) {}
// stub:WriteMemoryDumpList
void WriteMemoryDumpList(TFeedback&) {}
// stub:WriteRegistryDump
void WriteRegistryDump(TFeedback&) {}
// stub:WriteNetInfo
void WriteNetInfo(TFeedback&) {}
// stub:WriteDeviceList
void WriteDeviceList(const std::u16string&) {}
// stub:WriteFileLists
void WriteFileLists(TFeedback&) {}
// stub:AddSurgeLogs
void AddSurgeLogs(TFeedback&) {}
// stub:AddBackupLogs
void AddBackupLogs(TFeedback&) {}
// stub:BackupIndexIni
std::u16string BackupIndexIni() { return {}; }
// stub:BackupIndexJson
std::u16string BackupIndexJson() { return {}; }

} // namespace pv
