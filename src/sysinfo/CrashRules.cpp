// Minidump ordering, the crash-time rule and the restore-point lines.
#include "sysinfo/BSOD.h"

#include "platform/Text.h"

namespace pv {

void InsertNewestFirst(std::vector<MinidumpEntry>& list, MinidumpEntry entry) {
    auto at = list.begin();
    while (at != list.end() && at->CreationTime >= entry.CreationTime) {
        ++at;
    }
    list.insert(at, std::move(entry));
}

bool ShowCrashTime(double crashTime, double installDate) {
    return crashTime != 0 && !(installDate > crashTime);
}

std::optional<std::u16string> RestorePointLine(const RestorePoint& point, uint32_t osMajor) {
    constexpr int32_t kCancelledOperation = 13;
    if (osMajor <= 5 && point.Type == kCancelledOperation) {
        return std::nullopt;
    }
    return point.SecondText + u" | " + point.FirstText + u" | " + ToText(point.Type);
}

std::vector<std::u16string> RestoreSectionHead() {
    return {u"", u"===== System Restore =====", u""};
}

void EnumerateRestorePoints(std::vector<std::u16string>& lines, uint32_t osMajor,
                            const std::function<int32_t(RestorePoint&)>& first,
                            const std::function<int32_t(RestorePoint&)>& next,
                            const std::function<void()>& close) {
    RestorePoint point;
    // A library that never ends its list must not hang the report.
    constexpr int kMaxPoints = 100000;
    int count = 0;
    for (int32_t rc = first(point); rc == 0 && count < kMaxPoints; rc = next(point), ++count) {
        if (auto line = RestorePointLine(point, osMajor)) {
            lines.push_back(std::move(*line));
        }
        point = RestorePoint{};
    }
    close();
}

} // namespace pv
