#pragma once
// The report writers of this subsystem the collection plan runs, in plan order. Each writes its
// report into the log folder; a writer never throws. The system report and the crash dumps come
// from sysinfo (SysInfo.h, BSOD.h), the device list from devices (uDeviceInfo.h).
#include <string>

namespace pv {

class TFeedback;

void WritePingHosts(TFeedback& job);      // step 2: PingHosts.txt
void WriteMemoryDumpList(TFeedback& job); // step 5: MEMORYDMP.txt
void WriteRegistryDump(TFeedback& job);   // step 7: pvreg.txt
void WriteNetInfo(TFeedback& job);        // step 9: NetInfo.txt, adds itself
void WriteFileLists(TFeedback& job);      // step 12: FileList*.txt
void AddSurgeLogs(TFeedback& job);        // step 20: game-boost logs
void AddBackupLogs(TFeedback& job);       // step 21: backup logs
std::u16string BackupIndexIni();          // step 106: full path or empty
std::u16string BackupIndexJson();         // step 107: full path or empty

} // namespace pv
