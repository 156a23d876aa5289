#include "triage/RenderTimeline.h"

#include "triage/RenderEscape.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace pv::triage {
namespace {

constexpr int64_t MinutesPerHour = 60;
constexpr int64_t MinutesPerDay = 24 * MinutesPerHour;
// The axis shows at least this much before its last event, and never more than the longest span,
// so that one stray date (an install years ago) cannot squeeze the interesting days together.
constexpr int64_t ShortestSpan = 14 * MinutesPerDay;
constexpr int64_t LongestSpan = 400 * MinutesPerDay;
// Events later than the report's own time by more than this are not drawn.
constexpr int64_t FutureSlack = MinutesPerDay;

constexpr int Width = 1000;
constexpr int LabelWidth = 130;
constexpr int RightMargin = 24;
constexpr int TopMargin = 12;
constexpr int LaneHeight = 36;
constexpr int LaneCount = 4;
constexpr int AxisHeight = 36;
constexpr int MaxTicks = 12;

enum Lane { InstallLane, FailedLane, CrashLane, LogLane };
constexpr const char* LaneNames[LaneCount] = {"Driver installs", "Failed installs", "Crashes",
                                              "Product logs"};

struct Event {
    Lane Row;
    int64_t Time;        // wall minutes
    int64_t Length = 0;  // minutes covered (product-log days)
    std::string Tooltip; // plain text; escaped when written
};

const char* MonthName(int month) {
    static constexpr const char* Names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? Names[month - 1] : "?";
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

LocalTime CivilFromMinutes(int64_t minutes) {
    int64_t days = minutes / MinutesPerDay;
    int64_t rest = minutes % MinutesPerDay;
    if (rest < 0) {
        rest += MinutesPerDay;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    LocalTime time;
    time.Year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    time.Month = static_cast<int>(month);
    time.Day = static_cast<int>(day);
    time.Hour = static_cast<int>(rest / MinutesPerHour);
    time.Minute = static_cast<int>(rest % MinutesPerHour);
    return time;
}

std::vector<Event> CollectEvents(const Triage& facts) {
    std::vector<Event> events;
    for (const Device& device : facts.Devices)
        if (device.Installed)
            events.push_back({InstallLane, WallMinutes(*device.Installed), 0,
                              device.Name + ", installed " + ShortTime(*device.Installed) + " UTC" +
                                  (device.Rollback ? " (rollback available)" : "")});
    for (const InstallSection& section : facts.Installs)
        if (section.Failed && section.Start)
            events.push_back({FailedLane, WallMinutes(*section.Start), 0,
                              (section.Device.empty() ? section.Title : section.Device) + ": " +
                                  section.Status + ", " + ShortTime(*section.Start)});
    for (const CrashLink& crash : facts.Crashes)
        events.push_back({CrashLane, WallMinutes(crash.Time), 0,
                          "Crash (" + crash.Source + "), " + ShortTime(crash.Time)});
    for (const Dump& dump : facts.Dumps) {
        if (!dump.Time)
            continue;
        const bool linked = std::any_of(facts.Crashes.begin(), facts.Crashes.end(),
                                        [&](const CrashLink& c) { return c.Time == *dump.Time; });
        if (!linked)
            events.push_back({CrashLane, WallMinutes(*dump.Time), 0,
                              "Dump " + dump.Name + ", " + ShortTime(*dump.Time)});
    }
    for (const LocalTime& day : facts.ProductLogDays) {
        LocalTime midnight = day;
        midnight.Hour = midnight.Minute = midnight.Second = 0;
        events.push_back(
            {LogLane, WallMinutes(midnight), MinutesPerDay, "Product log of " + IsoDate(day)});
    }
    return events;
}

struct Axis {
    int64_t Start = 0;
    int64_t End = 0;
    double X(int64_t time) const {
        const double span = static_cast<double>(End - Start);
        return LabelWidth +
               (Width - LabelWidth - RightMargin) * static_cast<double>(time - Start) / span;
    }
};

std::optional<Axis> ChooseAxis(const std::vector<Event>& events, const Triage& facts,
                               int windowDays) {
    std::optional<int64_t> limit;
    if (facts.System.LogTime)
        limit = WallMinutes(*facts.System.LogTime) + FutureSlack;
    std::optional<int64_t> end;
    std::optional<int64_t> firstNotable; // crashes, failures and logs; installs only fill in
    for (const Event& event : events) {
        if (limit && event.Time > *limit)
            continue;
        end = std::max(end.value_or(event.Time), event.Time + event.Length);
        if (event.Row != InstallLane)
            firstNotable = std::min(firstNotable.value_or(event.Time), event.Time);
    }
    if (!end)
        return std::nullopt;
    int64_t start = *end - ShortestSpan;
    if (firstNotable)
        start = std::min(start, *firstNotable - windowDays * MinutesPerDay);
    start = std::max(start, *end - LongestSpan);
    const int64_t pad = (*end - start) / 50;
    return Axis{start - pad, *end + pad};
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The first multiple of `step` at or after `time` (floor arithmetic, also for negative times).
int64_t CeilTo(int64_t time, int64_t step) {
    const int64_t rest = ((time % step) + step) % step;
    return rest == 0 ? time : time - rest + step;
}

int64_t AddMonths(int64_t minutes, int months) {
    LocalTime at = CivilFromMinutes(minutes);
    const int index = at.Year * 12 + (at.Month - 1) + months;
    return DaysFromCivil(index / 12, index % 12 + 1, 1) * MinutesPerDay;
}

// Tick times: round hours or midnights for short spans, the first of a month for long ones.
std::vector<int64_t> TickTimes(const Axis& axis, bool& byMonth, int64_t& step) {
    static constexpr int64_t Steps[] = {MinutesPerHour,      3 * MinutesPerHour, 6 * MinutesPerHour,
                                        12 * MinutesPerHour, MinutesPerDay,      2 * MinutesPerDay,
                                        7 * MinutesPerDay,   14 * MinutesPerDay};
    static constexpr int MonthSteps[] = {1, 2, 3, 6, 12, 24, 60};
    const int64_t span = axis.End - axis.Start;
    std::vector<int64_t> ticks;
    for (int64_t candidate : Steps) {
        if (span / candidate > MaxTicks)
            continue;
        step = candidate;
        byMonth = false;
        for (int64_t t = CeilTo(axis.Start, std::min(candidate, MinutesPerDay)); t <= axis.End;
             t += candidate)
            ticks.push_back(t);
        return ticks;
    }
    byMonth = true;
    for (int months : MonthSteps) {
        if (span / (months * 30 * MinutesPerDay) > MaxTicks)
            continue;
        for (int64_t t = AddMonths(axis.Start, 1); t <= axis.End; t = AddMonths(t, months))
            ticks.push_back(t);
        return ticks;
    }
    return ticks;
}

void Ticks(std::string& svg, const Axis& axis, int axisY) {
    bool byMonth = false;
    int64_t step = 0;
    for (int64_t t : TickTimes(axis, byMonth, step)) {
        const std::string x = Number(axis.X(t));
        const LocalTime at = CivilFromMinutes(t);
        char label[48];
        if (byMonth)
            std::snprintf(label, sizeof label, "%s %d", MonthName(at.Month), at.Year);
        else if (step < MinutesPerDay)
            std::snprintf(label, sizeof label, "%s %d %02d:%02d", MonthName(at.Month), at.Day,
                          at.Hour, at.Minute);
        else
            std::snprintf(label, sizeof label, "%s %d", MonthName(at.Month), at.Day);
        svg += "<line x1=\"" + x + "\" y1=\"" + std::to_string(TopMargin) + "\" x2=\"" + x +
               "\" y2=\"" + std::to_string(axisY + 5) + "\" class=\"grid\"/>";
        svg += "<text x=\"" + x + "\" y=\"" + std::to_string(axisY + 18) +
               "\" class=\"tick\" text-anchor=\"middle\">" + label + "</text>\n";
    }
    svg += "<line x1=\"" + std::to_string(LabelWidth) + "\" y1=\"" + std::to_string(axisY) +
           "\" x2=\"" + std::to_string(Width - RightMargin) + "\" y2=\"" + std::to_string(axisY) +
           "\" class=\"axis\"/>\n";
}

int LaneTop(Lane lane) {
    return TopMargin + static_cast<int>(lane) * LaneHeight;
}

} // namespace

int64_t WallMinutes(const LocalTime& time) {
    return DaysFromCivil(time.Year, time.Month, time.Day) * MinutesPerDay +
           time.Hour * MinutesPerHour + time.Minute;
}

std::string RenderTimelineSvg(const Triage& facts, const RenderContext& context) {
    const std::vector<Event> events = CollectEvents(facts);
    const std::optional<Axis> axis = ChooseAxis(events, facts, context.WindowDays);
    const int axisY = TopMargin + LaneCount * LaneHeight + 4;
    const int height = axisY + AxisHeight;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"timeline\" width=\"" +
                      std::to_string(Width) + "\" height=\"" + std::to_string(height) +
                      "\" viewBox=\"0 0 " + std::to_string(Width) + " " + std::to_string(height) +
                      "\" role=\"img\" aria-label=\"Timeline\">\n";
    for (int lane = 0; lane < LaneCount; ++lane) {
        const int top = LaneTop(static_cast<Lane>(lane));
        svg += "<rect x=\"" + std::to_string(LabelWidth) + "\" y=\"" + std::to_string(top) +
               "\" width=\"" + std::to_string(Width - LabelWidth - RightMargin) + "\" height=\"" +
               std::to_string(LaneHeight - 4) + "\" class=\"lane\"/>";
        svg += "<text x=\"" + std::to_string(LabelWidth - 8) + "\" y=\"" +
               std::to_string(top + LaneHeight / 2 + 2) + "\" class=\"lanename\" " +
               "text-anchor=\"end\">" + LaneNames[lane] + "</text>\n";
    }
    if (!axis) {
        svg += "<text x=\"" + std::to_string(Width / 2) + "\" y=\"" + std::to_string(axisY / 2) +
               "\" text-anchor=\"middle\" class=\"tick\">No dated events in this archive</text>\n";
        return svg + "</svg>\n";
    }
    Ticks(svg, *axis, axisY);

    const auto inRange = [&](const Event& e) {
        return e.Time + e.Length >= axis->Start && e.Time <= axis->End;
    };
    // Behind everything: the window before each crash in which an install counts as recent.
    for (const Event& event : events) {
        if (event.Row != CrashLane || !inRange(event))
            continue;
        const double from = axis->X(std::max(
            axis->Start, event.Time - static_cast<int64_t>(context.WindowDays) * MinutesPerDay));
        const double to = axis->X(event.Time);
        svg += "<rect x=\"" + Number(from) + "\" y=\"" + std::to_string(TopMargin) + "\" width=\"" +
               Number(std::max(to - from, 1.0)) + "\" height=\"" +
               std::to_string(LaneCount * LaneHeight - 4) + "\" class=\"window\"/>\n";
    }
    for (const Event& event : events) {
        if (!inRange(event))
            continue;
        const int top = LaneTop(event.Row);
        const int middle = top + (LaneHeight - 4) / 2;
        const double x = axis->X(event.Time);
        const std::string title = "<title>" + HtmlText(event.Tooltip) + "</title>";
        switch (event.Row) {
        case InstallLane:
            svg += "<rect x=\"" + Number(x - 1.5) + "\" y=\"" + std::to_string(top + 5) +
                   "\" width=\"3\" height=\"" + std::to_string(LaneHeight - 14) + "\" fill=\"" +
                   std::string(TimelineInstallColour) + "\">" + title + "</rect>\n";
            break;
        case FailedLane:
            svg += "<path d=\"M" + Number(x) + " " + std::to_string(top + 4) + " l7 " +
                   std::to_string(LaneHeight - 12) + " h-14 z\" fill=\"" +
                   std::string(TimelineFailedColour) + "\">" + title + "</path>\n";
            break;
        case CrashLane:
            svg += "<line x1=\"" + Number(x) + "\" y1=\"" + std::to_string(TopMargin) + "\" x2=\"" +
                   Number(x) + "\" y2=\"" + std::to_string(axisY) + "\" class=\"crashline\"/>";
            svg += "<path d=\"M" + Number(x) + " " + std::to_string(middle - 10) +
                   " l10 10 l-10 10 l-10 -10 z\" fill=\"" + std::string(TimelineCrashColour) +
                   "\">" + title + "</path>\n";
            break;
        case LogLane: {
            const double from = axis->X(std::max(event.Time, axis->Start));
            const double to = axis->X(std::min(event.Time + event.Length, axis->End));
            svg += "<rect x=\"" + Number(from) + "\" y=\"" + std::to_string(top + 8) +
                   "\" width=\"" + Number(std::max(to - from - 1, 2.0)) + "\" height=\"" +
                   std::to_string(LaneHeight - 20) + "\" fill=\"" + std::string(TimelineLogColour) +
                   "\">" + title + "</rect>\n";
            break;
        }
        }
    }
    return svg + "</svg>\n";
}

} // namespace pv::triage
