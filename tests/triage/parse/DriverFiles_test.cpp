#include "triage/parse/Parsers.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

// Guards the driver files an install section names, which tie a crash's module to a device:
// only whole "name.sys" words, lower case, once each, with the line of the first mention.
TEST(SetupApiDriverFiles, WholeNamesOnceEach) {
    const std::string log = ">>>  [Device Install - PCI\\VEN_1\\1]\r\n"
                            ">>>  Section start 2024/04/01 09:12:40.311\r\n"
                            "     flq: Copying 'C:\\x\\NVLDDMKM.SYS' to 'C:\\y\\nvlddmkm.sys'.\r\n"
                            "     flq: {nvhda64v.sys} \"C:\\z\\nvhda64v.sys\"\r\n"
                            "     dvi: not a driver: system.sysdata, .sys, file.sysx\r\n"
                            "<<<  [Exit status: SUCCESS]\r\n"
                            ">>>  [Device Install - PCI\\VEN_2\\2]\r\n"
                            ">>>  Section start 2024/04/01 09:13:40.311\r\n"
                            "<<<  [Exit status: SUCCESS]\r\n";
    std::vector<ReadNote> notes;
    const auto sections = ParseSetupApiLog(log, "setupapi.dev.log", notes);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].DriverFiles, (std::vector<std::string>{"nvlddmkm.sys", "nvhda64v.sys"}));
    EXPECT_EQ(sections[0].DriverFileLines, (std::vector<int>{3, 4}));
    EXPECT_TRUE(sections[1].DriverFiles.empty());
}

} // namespace
} // namespace pv::triage
