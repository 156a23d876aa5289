// First byte: which parser; 9, 29, 49, ...: the whole core over several members; 19, 39, ...: the
// crash-dump decoder. The rest is the input.
// Besides crashes and sanitizer reports, the target traps when an invariant breaks: a decoded
// line longer than its cap, a finding without an id or evidence, findings out of order.
#include "triage/dump/BugCheckNames.h"
#include "triage/dump/DumpDecode.h"
#include "triage/model/DateText.h"
#include "triage/analyse/Diff.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/analyse/Triage.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace pv::triage;

constexpr size_t kSmallCap = 64;

// The members of the whole-core mode: the input is cut at each "\n----\n" into these in turn.
const char* const kMemberNames[] = {
    "SystemInfo.txt", "DeviceList.txt", "MEMORYDMP.txt", "PingHosts.txt",
    "Hosts",          "pvreg.txt",      "FileList.txt",  "AppData/Logs/Install/setupapi.dev.log",
    "031524-1-01.dmp"};

void CheckFindings(const std::vector<Finding>& findings) {
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        if (f.Id.empty() || f.Text.empty() || f.Evidence.empty()) {
            __builtin_trap();
        }
        for (const Evidence& e : f.Evidence) {
            if (e.Line < 0) {
                __builtin_trap();
            }
        }
        if (i > 0 && (findings[i - 1].Level > f.Level ||
                      (findings[i - 1].Level == f.Level && findings[i - 1].Id > f.Id))) {
            __builtin_trap();
        }
    }
}

// The decoder's promises: bounded lists, a faulting module and stack drivers only from the
// modules it read, offsets inside their module.
void CheckDump(std::string_view input) {
    const DecodedDump d = DecodeDump(input);
    if (d.Modules.size() > kMaxDumpModules || d.Unloaded.size() > kMaxUnloadedModules ||
        d.StackModules.size() > d.Modules.size()) {
        __builtin_trap();
    }
    if (d.Faulting) {
        const auto module =
            std::find_if(d.Modules.begin(), d.Modules.end(), [&](const DumpModule& m) {
                return m.Name == d.Faulting->Name && d.Faulting->Offset < m.Size;
            });
        if (module == d.Modules.end()) {
            __builtin_trap();
        }
    }
    (void)BugCheckName(d.BugCheckCode);
    (void)ExceptionCodeParameter(d.BugCheckCode, d.Parameters);
}

void WholeCore(std::string_view input, uint8_t flags) {
    std::vector<Member> members;
    size_t k = 0;
    while (k < std::size(kMemberNames)) {
        const size_t cut = input.find("\n----\n");
        members.push_back({kMemberNames[k++], std::string(input.substr(0, cut)), false,
                           (flags & 2) != 0, int64_t{1712083510} + flags * 86400, std::nullopt});
        if (cut == std::string_view::npos) {
            break;
        }
        input.remove_prefix(cut + 6);
    }
    Options options;
    options.WindowDays = flags >> 2;
    const Triage t = ReadArchiveFacts(members, options);
    CheckFindings(t.Findings);
    for (const CrashLink& c : t.Crashes) {
        for (const size_t i : c.InstallsBefore) {
            if (i >= t.Devices.size()) {
                __builtin_trap();
            }
        }
    }
    const Triage empty;
    (void)Diff(empty, t);
    (void)Diff(t, empty);
    (void)Diff(t, t);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t mode = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string member = "m";
    const char* const locale = (mode & 0x80) != 0 ? "de-DE" : "en-US";
    std::vector<ReadNote> notes;
    switch (mode % 10) {
    case 0:
        (void)ParseSystemInfo(input, member, notes);
        break;
    case 1:
        (void)ParseDeviceList(input, member, notes);
        break;
    case 2:
        (void)ParseMemoryDumpList(input, member, locale, notes);
        break;
    case 3:
        (void)ParseFileList(input, member, notes);
        break;
    case 4:
        (void)ParsePingHosts(input, member, notes);
        break;
    case 5:
        (void)ParseHostsFile(input, member, Options{}.MakerHosts, notes);
        break;
    case 6:
        (void)ParseRegistryDump(input, member, notes);
        break;
    case 7:
        (void)ParseSetupApiLog(input, member, notes);
        break;
    case 8: {
        (void)ReadLocaleDateTime(input, locale);
        (void)ReadLogTimestamp(input);
        (void)ReadSizeText(input);
        if (const auto value = ReadGeneralNumber(input)) {
            (void)FromDateTimeValue(*value);
        }
        const DecodedText text = DecodeReportText(input, kSmallCap);
        for (size_t i = 0; i < text.LineCount(); ++i) {
            if (text.Line(i).size() > kSmallCap) {
                __builtin_trap();
            }
        }
        break;
    }
    default:
        if ((mode / 10) % 2 == 1) {
            CheckDump(input);
        } else {
            WholeCore(input, mode);
        }
        break;
    }
    return 0;
}
