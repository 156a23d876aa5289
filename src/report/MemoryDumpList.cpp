#include "report/MemoryDumpList.h"
#include "report/SizeText.h"
#include <utility>

namespace pv {

namespace {

void AddFacts(ReportText& report, const DumpFileFacts& facts, char16_t decimalSeparator) {
    report.Add(facts.Path);
    report.Add(SizeText(facts.Size, decimalSeparator));
    report.Add(u"CreateTime: " + facts.Created);
    report.Add(u"ModifyTime: " + facts.Modified);
}

} // namespace

DumpFileFacts DumpFactsOf(std::u16string path, uint64_t size,
                          const std::function<double(FileTimeKind)>& timeOf,
                          const std::function<std::u16string(double)>& dateText) {
    DumpFileFacts facts;
    facts.Path = std::move(path);
    facts.Size = size;
    facts.Created = dateText(timeOf(FileTimeKind::Creation));
    facts.Modified = dateText(timeOf(FileTimeKind::LastWrite));
    return facts;
}

ReportText MemoryDumpLines(const std::vector<DumpFileFacts>& minidumps,
                           const std::optional<DumpFileFacts>& fullDump,
                           char16_t decimalSeparator) {
    ReportText report;
    for (const auto& dump : minidumps) {
        AddFacts(report, dump, decimalSeparator);
        report.Add(u"");
        report.Add(u"");
    }
    if (fullDump) {
        report.Add(u"");
        report.Add(u"");
        AddFacts(report, *fullDump, decimalSeparator);
    }
    return report;
}

} // namespace pv
