#include "report/win32/StartUp.h"
#include "product/AppConfig.h"
#include "sysinfo/SysInfo.h"

namespace pv {

void StartReportServices() {
    TConfig::Acquire();
    InitSystemFacts();
}

void StopReportServices() {
    TConfig::Release();
}

} // namespace pv
