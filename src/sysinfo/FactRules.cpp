// Fact-line rules of the system report.
#include "sysinfo/FactRules.h"

#include "platform/Text.h"

namespace pv {

std::u16string FactLine(std::u16string_view name, std::u16string_view value) {
    std::u16string line(name);
    if (line.size() < 16) {
        line.append(16 - line.size(), u' ');
    }
    line += u" : ";
    line += value;
    return line;
}

std::vector<std::u16string> SectionHead(std::u16string_view title) {
    return {u"", u"===== " + std::u16string(title) + u" =====", u""};
}

namespace {
void AppendCount(std::u16string& out, long long count, const char16_t* unit) {
    if (count == 0) {
        return;
    }
    out += ToText(count);
    out += u' ';
    out += unit;
    out += count == 1 ? u" " : u"s ";
}
} // namespace

std::u16string DurationText(long long seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    const long long days = seconds / 86400;
    const long long hours = seconds / 3600 % 24;
    const long long minutes = seconds / 60 % 60;
    const long long secs = seconds % 60;
    std::u16string out;
    if (days > 0) {
        AppendCount(out, days, u"day");
        AppendCount(out, hours, u"hour");
    } else if (hours > 0) {
        AppendCount(out, hours, u"hour");
        AppendCount(out, minutes, u"minute");
    } else {
        AppendCount(out, minutes, u"minute");
        AppendCount(out, secs, u"second");
    }
    return out;
}

std::u16string ProgramUpTimeText(long long startMs, long long nowMs) {
    if (startMs == 0) {
        return {};
    }
    const long long elapsed = nowMs - startMs;
    std::u16string text = DurationText(elapsed / 1000);
    if (text.empty()) {
        text = ToText(elapsed) + u" milliseconds";
    }
    return text;
}

long long CounterSeconds(long long counter, long long frequency) {
    return frequency > 0 ? counter / frequency : 0;
}

long long CounterMilliseconds(long long counter, long long frequency) {
    if (frequency <= 0) {
        return 0;
    }
    // counter / frequency / 1000 as the product reads it: milliseconds = counter * 1000 /
    // frequency, split so the product cannot overflow.
    return counter / frequency * 1000 + counter % frequency * 1000 / frequency;
}

std::u16string CompactSizeText(uint64_t bytes, char16_t decimalSeparator) {
    if (bytes < 1024) {
        return ToText(static_cast<long long>(bytes)) + u" Bytes";
    }
    uint64_t hundredths = 0;
    const char16_t* unit = nullptr;
    if (bytes < 1048576ULL) {
        hundredths = bytes * 100 / 1024;
        unit = u" KB";
    } else if (bytes < 1073741824ULL) {
        hundredths = bytes / 1024 * 100 / 1024;
        unit = u" MB";
    } else {
        hundredths = bytes / 1024 / 1024 * 100 / 1024;
        unit = u" GB";
    }
    std::u16string digits = ToText(static_cast<long long>(hundredths));
    digits.insert(digits.size() - 2, 1, decimalSeparator);
    return digits + unit;
}

uint64_t RoundToMegabytes(uint64_t bytes) {
    return (bytes + 524288) / 1048576;
}

std::u16string CleanProcessorName(std::u16string_view name) {
    std::u16string collapsed;
    for (char16_t c : name) {
        if (c == u' ' && !collapsed.empty() && collapsed.back() == u' ') {
            continue;
        }
        collapsed += c;
    }
    return Trim(collapsed);
}

int CountProcessors(const std::function<bool(int)>& hasName) {
    for (int n = 1; n <= 15; ++n) {
        if (!hasName(n)) {
            return n;
        }
    }
    return 16;
}

} // namespace pv
