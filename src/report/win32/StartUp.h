#pragma once
// What the report job's writers share for the whole run of the program. The window calls
// StartReportServices before it opens and StopReportServices after it is gone.
namespace pv {

// On the UI thread, once, in this order: the settings object (TConfig), then the system facts (the
// kept OS flag and the program's start for its up time). SetupAPI is bound per enumeration.
void StartReportServices();
// Undoes StartReportServices in reverse order. Never called while a job may still run.
void StopReportServices();

} // namespace pv
