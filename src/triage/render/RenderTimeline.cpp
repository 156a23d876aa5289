#include "triage/render/RenderTimeline.h"

#include "platform/Calendar.h"
#include "triage/model/DateText.h"
#include "triage/model/TextEscape.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace pv::triage {
namespace {

constexpr int64_t MinutesPerHour = 60;
constexpr int64_t MinutesPerDay = 24 * MinutesPerHour;
// Periods closer than this share one piece of the axis.
constexpr int64_t MergeGap = 21 * MinutesPerDay;
constexpr size_t MaxSegments = 4;
// Without crashes, failures or logs, the axis shows the newest installs over this span.
constexpr int64_t InstallOnlySpan = 30 * MinutesPerDay;
// Events later than the report's own time by more than this are not drawn.
constexpr int64_t FutureSlack = MinutesPerDay;

constexpr int Width = 1000;
constexpr int LabelWidth = 130;
constexpr int RightMargin = 40;
constexpr int BreakGap = 22;
constexpr int TopMargin = 12;
constexpr int LaneHeight = 36;
constexpr int LaneCount = 4;
constexpr int AxisHeight = 36;
constexpr int PixelsPerTick = 85;

enum Lane { InstallLane, FailedLane, CrashLane, LogLane };
constexpr const char* LaneNames[LaneCount] = {"Driver installs", "Failed installs", "Crashes",
                                              "Product logs"};

struct Event {
    Lane Row;
    int64_t Time;           // wall minutes; for a crash known by its day alone, the day's middle
    int64_t Length = 0;     // minutes covered (product-log days)
    int64_t WindowEnd = 0;  // crashes: where the window before the crash ends
    std::string Tooltip;    // plain text; escaped when written
    std::string Label = {}; // crashes: the bug check and faulting driver, shown in the close-up
};

const char* MonthName(int month) {
    static constexpr const char* Names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? Names[month - 1] : "?";
}

// Days since 1970-01-01.
int64_t DaysFromCivil(int year, int month, int day) {
    return DayNumberFromCivil(year, month, day) - kUnixEpochDay;
}

LocalTime CivilFromMinutes(int64_t minutes) {
    int64_t days = minutes / MinutesPerDay;
    int64_t rest = minutes % MinutesPerDay;
    if (rest < 0) {
        rest += MinutesPerDay;
        --days;
    }
    const CivilDate date = CivilFromDayNumber(days + kUnixEpochDay);
    LocalTime time;
    time.Year = date.Year;
    time.Month = date.Month;
    time.Day = date.Day;
    time.Hour = static_cast<int>(rest / MinutesPerHour);
    time.Minute = static_cast<int>(rest % MinutesPerHour);
    return time;
}

int64_t DayStart(const LocalTime& time) {
    return DaysFromCivil(time.Year, time.Month, time.Day) * MinutesPerDay;
}

Event CrashEvent(const LocalTime& time, bool dateOnly, const std::string& what) {
    if (dateOnly)
        return {CrashLane, DayStart(time) + MinutesPerDay / 2, 0, DayStart(time) + MinutesPerDay,
                what + ", " + IsoDate(time) + " (day only)"};
    return {CrashLane, WallMinutes(time), 0, WallMinutes(time), what + ", " + ShortTime(time)};
}

std::vector<Event> CollectEvents(const Triage& facts) {
    std::vector<Event> events;
    for (const Device& device : facts.Devices)
        if (device.Installed)
            events.push_back({InstallLane, WallMinutes(*device.Installed), 0, 0,
                              device.Name + ", installed " + ShortTime(*device.Installed) + " UTC" +
                                  (device.Rollback ? " (rollback available)" : "")});
    for (const InstallSection& section : facts.Installs)
        if (section.Failed && section.Start)
            events.push_back({FailedLane, WallMinutes(*section.Start), 0, 0,
                              (section.Device.empty() ? section.Title : section.Device) + ": " +
                                  section.Status + ", " + ShortTime(*section.Start)});
    for (const CrashLink& crash : facts.Crashes) {
        const std::string mark = CrashMark(facts, crash);
        Event event =
            CrashEvent(crash.Time, crash.DateOnly,
                       "Crash (" + crash.Source + ")" + (mark.empty() ? "" : ": " + mark));
        event.Label = mark;
        events.push_back(std::move(event));
    }
    for (const Dump& dump : facts.Dumps) {
        if (!dump.Time)
            continue;
        const bool linked =
            std::any_of(facts.Crashes.begin(), facts.Crashes.end(), [&](const CrashLink& c) {
                return c.Time == *dump.Time || (dump.File && c.DumpFile == dump.File);
            });
        if (!linked)
            events.push_back(CrashEvent(*dump.Time, dump.DateOnly, "Dump " + dump.Name));
    }
    for (const LocalTime& day : facts.ProductLogDays)
        events.push_back(
            {LogLane, DayStart(day), MinutesPerDay, 0, "Product log of " + IsoDate(day)});
    return events;
}

struct Period {
    int64_t Start;
    int64_t End;
};

// The periods worth showing: each crash with its window, each failed install, each log day;
// close periods merged, at most MaxSegments kept by merging the closest.
std::vector<Period> ChoosePeriods(const std::vector<Event>& events, int windowDays) {
    std::vector<Period> periods;
    std::optional<int64_t> newestInstall;
    for (const Event& e : events) {
        switch (e.Row) {
        case CrashLane:
            periods.push_back({e.WindowEnd - windowDays * MinutesPerDay - MinutesPerDay / 2,
                               e.WindowEnd + MinutesPerDay / 2});
            break;
        case FailedLane:
            periods.push_back({e.Time - MinutesPerDay / 2, e.Time + MinutesPerDay / 2});
            break;
        case LogLane:
            periods.push_back({e.Time, e.Time + e.Length});
            break;
        case InstallLane:
            newestInstall = std::max(newestInstall.value_or(e.Time), e.Time);
            break;
        }
    }
    if (periods.empty() && newestInstall)
        periods.push_back({*newestInstall - InstallOnlySpan, *newestInstall + MinutesPerDay / 2});
    std::sort(periods.begin(), periods.end(),
              [](const Period& a, const Period& b) { return a.Start < b.Start; });
    std::vector<Period> merged;
    for (const Period& p : periods) {
        if (!merged.empty() && p.Start - merged.back().End <= MergeGap)
            merged.back().End = std::max(merged.back().End, p.End);
        else
            merged.push_back(p);
    }
    while (merged.size() > MaxSegments) {
        size_t closest = 0;
        for (size_t i = 1; i + 1 < merged.size(); ++i)
            if (merged[i + 1].Start - merged[i].End <
                merged[closest + 1].Start - merged[closest].End)
                closest = i;
        merged[closest].End = std::max(merged[closest].End, merged[closest + 1].End);
        merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(closest) + 1);
    }
    return merged;
}

struct Segment {
    int64_t Start;
    int64_t End;
    double Left; // pixels
    double Right;
    double X(int64_t time) const {
        return Left + (Right - Left) * static_cast<double>(time - Start) /
                          static_cast<double>(End - Start);
    }
};

struct Axis {
    std::vector<Segment> Segments;
    const Segment* Find(int64_t time) const {
        for (const Segment& s : Segments)
            if (time >= s.Start && time <= s.End)
                return &s;
        return nullptr;
    }
};

// Pieces get widths by their span, none less than a fifth of the total span's share.
Axis LayOut(const std::vector<Period>& periods) {
    Axis axis;
    double totalSpan = 0;
    for (const Period& p : periods)
        totalSpan += static_cast<double>(p.End - p.Start);
    std::vector<double> weights;
    double totalWeight = 0;
    for (const Period& p : periods) {
        weights.push_back(std::max(static_cast<double>(p.End - p.Start), totalSpan / 5));
        totalWeight += weights.back();
    }
    const double plot =
        Width - LabelWidth - RightMargin - BreakGap * static_cast<double>(periods.size() - 1);
    double left = LabelWidth;
    for (size_t i = 0; i < periods.size(); ++i) {
        const int64_t pad =
            std::max<int64_t>(MinutesPerHour * 6, (periods[i].End - periods[i].Start) / 40);
        const double width = plot * weights[i] / totalWeight;
        axis.Segments.push_back({periods[i].Start - pad, periods[i].End + pad, left, left + width});
        left += width + BreakGap;
    }
    return axis;
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
    const LocalTime at = CivilFromMinutes(minutes);
    const int64_t index = static_cast<int64_t>(at.Year) * 12 + (at.Month - 1) + months;
    return DaysFromCivil(static_cast<int>(index / 12), static_cast<int>(index % 12 + 1), 1) *
           MinutesPerDay;
}

struct Ticks {
    std::vector<int64_t> Times;
    bool ByMonth = false;
    int64_t Step = 0;
};

// Round hours or midnights for short spans, the first of a month for long ones.
Ticks ChooseTicks(const Segment& segment) {
    static constexpr int64_t Steps[] = {MinutesPerHour,      3 * MinutesPerHour, 6 * MinutesPerHour,
                                        12 * MinutesPerHour, MinutesPerDay,      2 * MinutesPerDay,
                                        7 * MinutesPerDay,   14 * MinutesPerDay};
    static constexpr int MonthSteps[] = {1, 2, 3, 6, 12, 24, 60, 120, 600};
    const int64_t span = segment.End - segment.Start;
    const int64_t most =
        std::max<int64_t>(1, static_cast<int64_t>((segment.Right - segment.Left) / PixelsPerTick));
    Ticks ticks;
    for (int64_t step : Steps) {
        if (span / step > most)
            continue;
        ticks.Step = step;
        for (int64_t t = CeilTo(segment.Start, std::min(step, MinutesPerDay)); t <= segment.End;
             t += step)
            ticks.Times.push_back(t);
        return ticks;
    }
    ticks.ByMonth = true;
    for (int months : MonthSteps) {
        if (span / (months * 30 * MinutesPerDay) > most)
            continue;
        for (int64_t t = AddMonths(segment.Start, 1); t <= segment.End; t = AddMonths(t, months))
            ticks.Times.push_back(t);
        return ticks;
    }
    return ticks;
}

// Tick labels are about this wide per character at the page's 12 px font.
constexpr double LabelCharWidth = 7.0;

void DrawAxis(std::string& svg, const Axis& axis, int axisY) {
    double lastLabelEnd = 0;
    for (size_t i = 0; i < axis.Segments.size(); ++i) {
        const Segment& segment = axis.Segments[i];
        const Ticks ticks = ChooseTicks(segment);
        bool first = true;
        for (int64_t t : ticks.Times) {
            const double x = segment.X(t);
            const LocalTime at = CivilFromMinutes(t);
            char label[48];
            if (ticks.ByMonth)
                std::snprintf(label, sizeof label, "%s %d", MonthName(at.Month), at.Year);
            else if (ticks.Step < MinutesPerDay)
                std::snprintf(label, sizeof label, "%s %d %02d:%02d", MonthName(at.Month), at.Day,
                              at.Hour, at.Minute);
            else if (first || (at.Month == 1 && at.Day <= ticks.Step / MinutesPerDay))
                std::snprintf(label, sizeof label, "%s %d %d", MonthName(at.Month), at.Day,
                              at.Year);
            else
                std::snprintf(label, sizeof label, "%s %d", MonthName(at.Month), at.Day);
            svg += "<line x1=\"" + Number(x) + "\" y1=\"" + std::to_string(TopMargin) + "\" x2=\"" +
                   Number(x) + "\" y2=\"" + std::to_string(axisY + 5) + "\" class=\"grid\"/>";
            // A label that would overlap the one before or run off the picture is left out;
            // its grid line stays.
            const double half = LabelCharWidth * static_cast<double>(std::strlen(label)) / 2;
            if (x - half < lastLabelEnd + 6 || x + half > Width) {
                svg += "\n";
                continue;
            }
            lastLabelEnd = x + half;
            first = false;
            svg += "<text x=\"" + Number(x) + "\" y=\"" + std::to_string(axisY + 18) +
                   "\" class=\"tick\" text-anchor=\"middle\">" + label + "</text>\n";
        }
        svg += "<line x1=\"" + Number(segment.Left) + "\" y1=\"" + std::to_string(axisY) +
               "\" x2=\"" + Number(segment.Right) + "\" y2=\"" + std::to_string(axisY) +
               "\" class=\"axis\"/>\n";
        if (i + 1 < axis.Segments.size()) {
            // Two slanted strokes mark where time is left out.
            const double middle = segment.Right + BreakGap / 2.0;
            for (double dx : {-3.0, 3.0})
                svg += "<line x1=\"" + Number(middle + dx - 3) + "\" y1=\"" +
                       std::to_string(axisY + 5) + "\" x2=\"" + Number(middle + dx + 3) +
                       "\" y2=\"" + std::to_string(axisY - 5) + "\" class=\"axis\"/>";
            svg += "\n";
        }
    }
}

int LaneTop(Lane lane) {
    return TopMargin + static_cast<int>(lane) * LaneHeight;
}

} // namespace

int64_t WallMinutes(const LocalTime& time) {
    return DayStart(time) + time.Hour * MinutesPerHour + time.Minute;
}

namespace {

Timeline Draw(const Triage& facts, const RenderContext& context,
              const std::optional<Period>& closeUp) {
    std::vector<Event> events = CollectEvents(facts);
    if (facts.System.LogTime) {
        const int64_t limit = WallMinutes(*facts.System.LogTime) + FutureSlack;
        std::erase_if(events, [&](const Event& e) { return e.Time > limit; });
    }
    const Axis axis =
        LayOut(closeUp ? std::vector<Period>{*closeUp} : ChoosePeriods(events, context.WindowDays));
    const int axisY = TopMargin + LaneCount * LaneHeight + 4;
    const int height = axisY + AxisHeight;
    Timeline timeline;
    timeline.Segments = axis.Segments.size();
    std::string& svg = timeline.Svg;
    svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"timeline\" width=\"" +
          std::to_string(Width) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
          std::to_string(Width) + " " + std::to_string(height) +
          "\" role=\"img\" aria-label=\"Timeline\">\n";
    for (int lane = 0; lane < LaneCount; ++lane) {
        const int top = LaneTop(static_cast<Lane>(lane));
        for (const Segment& segment : axis.Segments)
            svg += "<rect x=\"" + Number(segment.Left) + "\" y=\"" + std::to_string(top) +
                   "\" width=\"" + Number(segment.Right - segment.Left) + "\" height=\"" +
                   std::to_string(LaneHeight - 4) + "\" class=\"lane\"/>";
        svg += "<text x=\"" + std::to_string(LabelWidth - 8) + "\" y=\"" +
               std::to_string(top + LaneHeight / 2 + 2) +
               "\" class=\"lanename\" text-anchor=\"end\">" + LaneNames[lane] + "</text>\n";
    }
    if (axis.Segments.empty()) {
        svg += "<text x=\"" + std::to_string((Width + LabelWidth) / 2) + "\" y=\"" +
               std::to_string(axisY / 2) +
               "\" text-anchor=\"middle\" class=\"tick\">No dated events in this archive</text>\n";
        svg += "</svg>\n";
        return timeline;
    }
    DrawAxis(svg, axis, axisY);

    // Behind everything: the window before each crash in which an install counts as recent.
    for (const Event& event : events) {
        const Segment* segment = axis.Find(event.Time);
        if (event.Row != CrashLane || segment == nullptr)
            continue;
        const int64_t from =
            std::max(segment->Start, event.WindowEnd - context.WindowDays * MinutesPerDay);
        const double left = segment->X(from);
        const double right = segment->X(std::min(event.WindowEnd, segment->End));
        svg += "<rect x=\"" + Number(left) + "\" y=\"" + std::to_string(TopMargin) + "\" width=\"" +
               Number(std::max(right - left, 1.0)) + "\" height=\"" +
               std::to_string(LaneCount * LaneHeight - 4) + "\" class=\"window\"/>\n";
    }
    for (const Event& event : events) {
        const Segment* segment = axis.Find(event.Time);
        if (segment == nullptr) {
            timeline.InstallsOffAxis += event.Row == InstallLane ? 1 : 0;
            continue;
        }
        const int top = LaneTop(event.Row);
        const int middle = top + (LaneHeight - 4) / 2;
        const double x = segment->X(event.Time);
        const std::string title = "<title>" + HtmlText(event.Tooltip) + "</title>";
        switch (event.Row) {
        case InstallLane:
            svg += "<rect x=\"" + Number(x - 2) + "\" y=\"" + std::to_string(top + 5) +
                   "\" width=\"4\" height=\"" + std::to_string(LaneHeight - 14) + "\" fill=\"" +
                   std::string(TimelineInstallColour) + "\">" + title + "</rect>\n";
            break;
        case FailedLane:
            svg += "<path d=\"M" + Number(x) + " " + std::to_string(top + 4) + " l8 " +
                   std::to_string(LaneHeight - 12) + " h-16 z\" fill=\"" +
                   std::string(TimelineFailedColour) + "\">" + title + "</path>\n";
            break;
        case CrashLane:
            svg += "<line x1=\"" + Number(x) + "\" y1=\"" + std::to_string(TopMargin) + "\" x2=\"" +
                   Number(x) + "\" y2=\"" + std::to_string(axisY) + "\" class=\"crashline\"/>";
            svg += "<path d=\"M" + Number(x) + " " + std::to_string(middle - 11) +
                   " l11 11 l-11 11 l-11 -11 z\" fill=\"" + std::string(TimelineCrashColour) +
                   "\">" + title + "</path>\n";
            // The close-up names the crash beside its mark, on the side with room for it.
            if (closeUp && !event.Label.empty()) {
                const bool left = x > Width / 2.0;
                svg += "<text x=\"" + Number(left ? x - 14 : x + 14) + "\" y=\"" +
                       std::to_string(middle + 4) + "\" text-anchor=\"" + (left ? "end" : "start") +
                       "\" class=\"crashname\">" + HtmlText(event.Label) + "</text>\n";
            }
            break;
        case LogLane: {
            const double left = segment->X(event.Time);
            const double right = segment->X(std::min(event.Time + event.Length, segment->End));
            svg += "<rect x=\"" + Number(left) + "\" y=\"" + std::to_string(top + 8) +
                   "\" width=\"" + Number(std::max(right - left - 1, 2.0)) + "\" height=\"" +
                   std::to_string(LaneHeight - 20) + "\" fill=\"" + std::string(TimelineLogColour) +
                   "\">" + title + "</rect>\n";
            break;
        }
        }
    }
    svg += "</svg>\n";
    return timeline;
}

} // namespace

Timeline RenderTimeline(const Triage& facts, const RenderContext& context) {
    return Draw(facts, context, std::nullopt);
}

Timeline RenderCrashCloseUp(const Triage& facts, const RenderContext& context,
                            const CrashLink& crash) {
    const Event event = CrashEvent(crash.Time, crash.DateOnly, crash.Source);
    return Draw(facts, context,
                Period{event.WindowEnd - context.WindowDays * MinutesPerDay - MinutesPerDay / 2,
                       event.WindowEnd + MinutesPerDay});
}

} // namespace pv::triage
