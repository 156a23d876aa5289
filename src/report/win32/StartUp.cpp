#include "report/win32/StartUp.h"
#include "devices/RollBackDetect.h"
#include "product/AppConfig.h"
#include "sysinfo/SysInfo.h"

namespace pv {

void StartReportServices() {
    TConfig::Acquire();
    InitSystemFacts();
    // The rollback check's entry points, bound once for the whole run.
    BindRollbackApi();
}

void StopReportServices() {
    ReleaseRollbackApi();
    TConfig::Release();
}

} // namespace pv
