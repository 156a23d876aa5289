#include "app/FormMainRules.h"
#include "platform/Text.h"

namespace pv {

std::u16string WaitingFrame(int32_t step) {
    std::u16string line(10, u'=');
    const int32_t at = ((step % 10) + 10) % 10;
    line[static_cast<size_t>(at)] = u'>';
    line[static_cast<size_t>(at == 0 ? 9 : at - 1)] = u'>';
    return line;
}

int32_t NextWaitingStep(int32_t step) {
    return step >= 9 ? 0 : step + 1;
}

std::u16string ArchiveFileName(int year, int month, int day) {
    auto twoDigits = [](int v) {
        std::u16string s = ToText(v);
        return s.size() < 2 ? u"0" + s : s;
    };
    std::u16string yearText = ToText(year);
    while (yearText.size() < 4) {
        yearText.insert(yearText.begin(), u'0');
    }
    return u"pv_info_" + yearText + twoDigits(month) + twoDigits(day) + u"_i.zip";
}

std::u16string CompletionText(const std::u16string& archiveFileName) {
    return std::u16string(u"Report file has been saved to desktop") + u"\r" + u"Filename : " +
           archiveFileName;
}

std::u16string FailureText() {
    return u"The report could not be saved.";
}

std::u16string EndOfJobText(bool archiveSaved, const std::u16string& archiveFileName) {
    return archiveSaved ? CompletionText(archiveFileName) : FailureText();
}

} // namespace pv
