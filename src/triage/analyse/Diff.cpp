#include "triage/analyse/Diff.h"
#include "triage/model/DateText.h"
#include "triage/model/TextTools.h"
#include <algorithm>
#include <map>
#include <tuple>

namespace pv::triage {

namespace {

// A device's identity across archives: its key (the MD5 text of its instance), else its instance.
std::string IdentityOf(const Device& d) {
    if (!d.Key.empty()) {
        return "key:" + LowerText(d.Key);
    }
    return d.Instance.empty() ? std::string() : "inst:" + LowerText(d.Instance);
}

std::string NameOf(const Device& d) {
    return !d.Name.empty() ? d.Name : !d.Instance.empty() ? d.Instance : d.Key;
}

std::string DriverText(const Device& d) {
    std::string text = d.Version.empty() ? "no version" : d.Version;
    if (d.DriverDate) {
        text += " (" + FormatLocalTime(*d.DriverDate) + ")";
    } else if (!d.DriverDateText.empty() && d.DriverDateText != "0") {
        text += " (" + d.DriverDateText + ")";
    }
    return text;
}

long long ProblemOf(const Device& d) {
    const long long prob = d.Problem.value_or(0);
    return prob != 0 ? prob : d.Code.value_or(0);
}

Change DeviceChange(ChangeKind kind, const char* id, const Device* older, const Device* newer) {
    const Device& any = newer ? *newer : *older;
    Change c;
    c.Kind = kind;
    c.Id = id;
    c.Device = !any.Key.empty() ? any.Key : any.Instance;
    c.Name = NameOf(any);
    if (older) {
        c.OldWhere = older->Where;
    }
    if (newer) {
        c.NewWhere = newer->Where;
    }
    return c;
}

// Two crashes are the same when they share their day and, where both carry a time, the time.
bool SameCrash(const CrashLink& a, const CrashLink& b) {
    if (a.DateOnly || b.DateOnly) {
        return DayNumberOf(a.Time) == DayNumberOf(b.Time);
    }
    return a.Time == b.Time;
}

} // namespace

ArchiveDiff Diff(const Triage& older, const Triage& newer) {
    ArchiveDiff diff;
    std::map<std::string, const Device*> before;
    for (const Device& d : older.Devices) {
        const std::string id = IdentityOf(d);
        if (!id.empty()) {
            before.emplace(id, &d);
        }
    }
    std::map<std::string, const Device*> after;
    for (const Device& d : newer.Devices) {
        const std::string id = IdentityOf(d);
        if (!id.empty()) {
            after.emplace(id, &d);
        }
    }

    for (const auto& [id, n] : after) {
        const auto found = before.find(id);
        if (found == before.end()) {
            Change c = DeviceChange(ChangeKind::DeviceAdded, "diff.device_added", nullptr, n);
            c.After = DriverText(*n);
            c.Text = "Device \"" + c.Name + "\" appeared, with driver " + c.After + ".";
            diff.Changes.push_back(std::move(c));
            continue;
        }
        const Device& o = *found->second;
        if (o.Version != n->Version || o.DriverDate != n->DriverDate ||
            (!o.DriverDate && !n->DriverDate && o.DriverDateText != n->DriverDateText)) {
            Change c = DeviceChange(ChangeKind::DriverChanged, "diff.driver_changed", &o, n);
            c.Before = DriverText(o);
            c.After = DriverText(*n);
            c.Text = "The driver of \"" + c.Name + "\" changed from " + c.Before + " to " +
                     c.After + ".";
            diff.Changes.push_back(std::move(c));
        }
        const long long was = ProblemOf(o);
        const long long now = ProblemOf(*n);
        if (now != 0 && now != was) {
            Change c = DeviceChange(ChangeKind::ProblemAppeared, "diff.problem_appeared", &o, n);
            c.Before = was == 0 ? "" : std::to_string(was);
            c.After = std::to_string(now);
            c.Text = "Device \"" + c.Name + "\" now reports problem " + c.After +
                     (was == 0 ? "" : " (was " + c.Before + ")") + ".";
            diff.Changes.push_back(std::move(c));
        } else if (was != 0 && now == 0) {
            Change c = DeviceChange(ChangeKind::ProblemCleared, "diff.problem_cleared", &o, n);
            c.Before = std::to_string(was);
            c.Text = "Device \"" + c.Name + "\" no longer reports problem " + c.Before + ".";
            diff.Changes.push_back(std::move(c));
        }
    }
    for (const auto& [id, o] : before) {
        if (after.find(id) == after.end()) {
            Change c = DeviceChange(ChangeKind::DeviceRemoved, "diff.device_removed", o, nullptr);
            c.Before = DriverText(*o);
            c.Text = "Device \"" + c.Name + "\" is gone.";
            diff.Changes.push_back(std::move(c));
        }
    }
    for (const CrashLink& crash : newer.Crashes) {
        const bool known = std::any_of(older.Crashes.begin(), older.Crashes.end(),
                                       [&](const CrashLink& o) { return SameCrash(o, crash); });
        if (!known) {
            Change c;
            c.Kind = ChangeKind::CrashAdded;
            c.Id = "diff.crash_added";
            c.Name = crash.Source;
            c.After = FormatLocalTime(crash.Time);
            c.NewWhere = crash.Where;
            c.Text = "A new crash was recorded " + std::string(crash.DateOnly ? "on " : "at ") +
                     c.After + " (" + crash.Source + ").";
            diff.Changes.push_back(std::move(c));
        }
    }
    std::stable_sort(
        diff.Changes.begin(), diff.Changes.end(), [](const Change& a, const Change& b) {
            return std::tie(a.Kind, a.Name, a.Device) < std::tie(b.Kind, b.Name, b.Device);
        });
    return diff;
}

} // namespace pv::triage
