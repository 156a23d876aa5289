#pragma once
// Report bytes for the parser tests: the tool's reports as its writers save them (UTF-16LE, BOM,
// CR LF after every line) and the members of the archive the product wrote under Wine.
#include "platform/ReportText.h"
#include "platform/Text.h"
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

namespace pv::triage::test {

inline std::string Utf16Report(std::initializer_list<std::string> lines) {
    ReportText report;
    for (const std::string& line : lines) {
        report.Add(FromUtf8(line));
    }
    return report.Bytes();
}

inline std::string WineMember(const std::string& name) {
    std::ifstream in(std::string(PV_TEST_DATA_DIR) + "/wine/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace pv::triage::test
