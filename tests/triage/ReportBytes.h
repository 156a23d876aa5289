#pragma once
// Report bytes for the parser tests: the tool's reports as its writers save them (UTF-16LE, BOM,
// CR LF after every line) and the members of the archive the product wrote under Wine.
#include "platform/ReportText.h"
#include "platform/Text.h"
#include "triage/analyse/Triage.h"
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace pv::triage::test {

inline std::string Utf16Report(const std::vector<std::string>& lines) {
    ReportText report;
    for (const std::string& line : lines) {
        report.Add(FromUtf8(line));
    }
    return report.Bytes();
}

inline std::string Utf16Report(std::initializer_list<std::string> lines) {
    return Utf16Report(std::vector<std::string>(lines));
}

// The fields of one device block that the rules read.
struct DeviceFields {
    std::string Key;
    std::string Name;
    std::string InstallValue = "0"; // InDa.D as written
    std::string Version = "1.0.0.0";
    std::string Instance;
    bool Plugged = true;
    int Problem = 0;
    int Code = 0;
    int State = 0;
    bool Reinstall = false;
    bool Rollback = false;
};

// The block the device list writes for `d` at position `index`, every line in the writer's order.
inline std::vector<std::string> DeviceBlock(int index, const DeviceFields& d) {
    auto flag = [](bool b) { return std::string(b ? "True" : "False"); };
    return {"#" + std::to_string(index),
            "[Device]",
            " Key  = " + d.Key,
            " Type = {4D36E97D-E325-11CE-BFC1-08002BE10318} System",
            " Name = " + d.Name,
            " Date.D = 44208",
            " InDa.D = " + d.InstallValue,
            " Date = 1/12/2021 00:00:00",
            " InDa = 12/30/1899 00:00:00",
            " Vern = " + d.Version,
            " Prvd = Acme",
            " Plug = " + flag(d.Plugged),
            " Prob = " + std::to_string(d.Problem),
            " Code = " + std::to_string(d.Code),
            " Rein = " + flag(d.Reinstall),
            " Inst = " + d.Instance,
            " Stat = " + std::to_string(d.State),
            " Roll = " + flag(d.Rollback),
            " Dch  = False",
            "[HardID]",
            "[CompID]",
            "[MatchID]",
            " ",
            ""};
}

inline std::string DeviceListReport(const std::vector<DeviceFields>& devices) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::vector<std::string> block = DeviceBlock(static_cast<int>(i), devices[i]);
        lines.insert(lines.end(), block.begin(), block.end());
    }
    return Utf16Report(lines);
}

inline std::string WineMember(const std::string& name) {
    std::ifstream in(std::string(PV_TEST_DATA_DIR) + "/wine/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The named reports of the Wine archive as archive members.
inline std::vector<Member> WineMembers(std::initializer_list<const char*> names) {
    std::vector<Member> members;
    for (const char* name : names) {
        Member& member = members.emplace_back();
        member.Name = name;
        member.Bytes = WineMember(name);
    }
    return members;
}

} // namespace pv::triage::test
