#pragma once
// The system report SystemInfo.txt: fourteen machine facts and the inventory sections (volumes,
// processes, programs, autoruns, services, drivers, browser helper objects, restore points).
#include "sysinfo/FactRules.h"
#include "sysinfo/SectionRules.h"

#include <string>
#include <vector>

namespace pv {

#ifdef _WIN32
// Start-up: computes the kept OS flag and records the program's start for its up time.
void InitSystemFacts();

// Section builders. Each refills a list owned by this unit and returns it; the next call replaces
// its content, so they run on one thread at a time. A builder may throw on an unexpected error.
const std::vector<std::u16string>& GetVolumesSection();
const std::vector<std::u16string>& GetProcessesSection();
const std::vector<std::u16string>& GetProgramsSection();
const std::vector<std::u16string>& GetAutorunsSection();
const std::vector<std::u16string>& GetServicesSection();
const std::vector<std::u16string>& GetDriversSection();
const std::vector<std::u16string>& GetBHOsSection();

// Builds the report and writes logFolder + "SystemInfo.txt"; never throws, failures are silent.
void WriteSystemInfo(const std::u16string& logFolder);
#endif

} // namespace pv
