// The findings rules: each reads parsed facts and adds findings with their evidence.
#include "triage/model/DateText.h"
#include "triage/parse/Parsers.h"
#include "triage/analyse/ProblemCodes.h"
#include "triage/analyse/Triage.h"
#include "triage/dump/BugCheckNames.h"
#include <algorithm>
#include <cstdio>
#include <tuple>

namespace pv::triage {

namespace {

constexpr uint64_t kSystemVolumeMinFree = uint64_t{2} << 30; // 2 GB
constexpr uint64_t kLowSpacePercent = 5;
// Enough "!!!" lines of one failed install to show what went wrong.
constexpr size_t kMaxErrorEvidence = 20;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string DeviceLabel(const Device& d) {
    if (!d.Name.empty()) {
        return Quoted(d.Name);
    }
    return Quoted(!d.Instance.empty() ? d.Instance : d.Key);
}

std::string ByteText(uint64_t bytes) {
    static const char* const kUnits[] = {"bytes", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, unit == 0 ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
    return buf;
}

std::string CodeText(long long code) {
    const std::string_view meaning = ProblemCodeMeaning(code);
    return std::to_string(code) + (meaning.empty() ? "" : " (" + std::string(meaning) + ")");
}

void AddArchiveFindings(const Triage& f, std::vector<Finding>& out) {
    for (const std::string& m : f.Damaged) {
        out.push_back({Severity::Error,
                       "archive.damaged",
                       "The member " + m + " failed its CRC check, so its contents may be wrong.",
                       {{m, 0}}});
    }
    for (const std::string& m : f.OverCap) {
        out.push_back(
            {Severity::Warning,
             "archive.overcap",
             "The member " + m + " is larger than the reader's cap and was not read whole.",
             {{m, 0}}});
    }
    for (const std::string& m : f.MissingReports) {
        out.push_back({Severity::Warning,
                       "report.missing",
                       "The report " + m +
                           ", which the tool writes on every run, is missing from the archive.",
                       {{m, 0}}});
    }
}

void AddDeviceFindings(const Triage& f, std::vector<Finding>& out) {
    for (const Device& d : f.Devices) {
        const long long prob = d.Problem.value_or(0);
        const long long code = d.Code.value_or(0);
        if (prob != 0 || code != 0) {
            const long long main = prob != 0 ? prob : code;
            std::string text = "Device " + DeviceLabel(d) + " reports problem " + CodeText(main);
            if (prob != 0 && code != 0 && code != prob) {
                text += " and problem code " + CodeText(code);
            }
            Severity level = Severity::Error;
            if (!d.Plugged) {
                level = Severity::Info;
                text += "; it is not present in the running system";
            } else if (IsBenignProblemCode(main)) {
                level = Severity::Warning;
            }
            out.push_back({level, "device.problem", text + ".", {d.Where}});
        }
        if (d.State && *d.State != 0) {
            static const char* const kStates[] = {"installed", "needs reinstall", "failed install",
                                                  "finish install"};
            const long long s = *d.State;
            const std::string meaning = s > 0 && s < 4 ? kStates[s] : "unknown";
            out.push_back({s == 2 ? Severity::Error : Severity::Warning,
                           "device.install_state",
                           "Device " + DeviceLabel(d) + " has install state " + std::to_string(s) +
                               " (" + meaning + ").",
                           {d.Where}});
        }
        if (d.Reinstall) {
            out.push_back({Severity::Warning,
                           "device.reinstall",
                           "Device " + DeviceLabel(d) + " is marked for a driver reinstall.",
                           {d.Where}});
        }
    }
}

void AddCrashFindings(const Triage& f, std::vector<Finding>& out) {
    for (const CrashLink& c : f.Crashes) {
        out.push_back({Severity::Info,
                       "crash.recorded",
                       "A crash was recorded " + std::string(c.DateOnly ? "on " : "at ") +
                           FormatLocalTime(c.Time) + " (" + c.Source + ").",
                       {c.Where}});
    }
    // One finding per device, against the first crash after its install.
    std::vector<const CrashLink*> nearest(f.Devices.size(), nullptr);
    for (const CrashLink& c : f.Crashes) {
        for (const size_t i : c.InstallsBefore) {
            if (i < nearest.size() && (!nearest[i] || c.Time < nearest[i]->Time)) {
                nearest[i] = &c;
            }
        }
    }
    for (size_t i = 0; i < f.Devices.size(); ++i) {
        const CrashLink* crash = nearest[i];
        if (!crash || !f.Devices[i].Installed) {
            continue;
        }
        const Device& d = f.Devices[i];
        const long long days = (DayNumberOf(crash->Time) - DayNumberOf(*d.Installed));
        std::string when = days == 0   ? "on the day of"
                           : days == 1 ? "1 day before"
                                       : std::to_string(days) + " days before";
        std::string text = "The driver of " + DeviceLabel(d);
        if (!d.Version.empty()) {
            text +=
                " (version " + d.Version + (d.Provider.empty() ? "" : " by " + d.Provider) + ")";
        }
        text += " was installed on " + FormatLocalTime(*d.Installed) + " UTC, " + when +
                " the crash " + (crash->DateOnly ? "on " : "at ") + FormatLocalTime(crash->Time) +
                " (" + crash->Source + ")";
        // Stronger when the crash's dump puts the fault in this very device's driver.
        const bool faulted = crash->Driver.Device == i;
        if (faulted) {
            const auto& fault = *f.DumpFiles[*crash->DumpFile].Decoded.Faulting;
            text += "; the crash happened in its driver " + fault.Name + " (" +
                    crash->Driver.DeviceMatch + ")";
        }
        text += d.Rollback ? "; the previous driver can be rolled back to." : ".";
        out.push_back({d.Rollback || faulted ? Severity::Error : Severity::Warning,
                       d.Rollback ? "crash.recent_driver_rollback" : "crash.recent_driver",
                       text,
                       {d.Where, crash->Where}});
    }
}

std::string HexText(uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
    return buf;
}

// "0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M, exception 0xC0000005 access violation"
std::string BugCheckText(const DecodedDump& dump) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", dump.BugCheckCode);
    std::string text = code;
    const std::string name = BugCheckName(dump.BugCheckCode);
    if (!name.empty()) {
        text += " " + name;
    }
    if (const auto exception = ExceptionCodeParameter(dump.BugCheckCode, dump.Parameters)) {
        const std::string_view meaning = ExceptionCodeName(*exception);
        std::snprintf(code, sizeof code, "0x%08X", *exception);
        text += ", exception " + std::string(code) +
                (meaning.empty() ? "" : " " + std::string(meaning));
    }
    return text;
}

void AddFaultingDriverFindings(const Triage& f, std::vector<Finding>& out) {
    for (const CrashLink& c : f.Crashes) {
        if (!c.DumpFile) {
            continue;
        }
        const DumpFile& file = f.DumpFiles[*c.DumpFile];
        const DecodedDump& dump = file.Decoded;
        if (!dump.Faulting) {
            continue;
        }
        const FaultingModule& fault = *dump.Faulting;
        std::string text = "The crash of " + FormatLocalTime(c.Time) + (c.TimeUtc ? " UTC" : "") +
                           " (bug check " + BugCheckText(dump) + ") happened in " + fault.Name +
                           " at +" + HexText(fault.Offset);
        EvidenceList evidence{{file.Member, 0}};
        if (c.Driver.Service) {
            const DriverService& service = f.System.Drivers[*c.Driver.Service];
            text += "; its driver service " + service.Name + " is \"" + service.DisplayName + "\"";
            evidence.push_back(service.Where);
        }
        if (c.Driver.Device) {
            const Device& d = f.Devices[*c.Driver.Device];
            text += "; it is the driver of the device " + DeviceLabel(d) + " (" +
                    c.Driver.DeviceMatch + ")";
            if (d.Installed) {
                text += ", installed on " + FormatLocalTime(*d.Installed) + " UTC";
            }
            if (c.Driver.UpdatePoint) {
                const RestorePoint& p = f.System.RestorePoints[*c.Driver.UpdatePoint];
                text += ", restore point \"" + p.Description + "\" of " + p.TimeText;
                evidence.push_back(p.Where);
            }
            text += d.Rollback ? "; the previous driver can be rolled back to"
                               : "; no previous driver to roll back to is recorded";
            if (c.Driver.Install) {
                evidence.push_back(f.Installs[*c.Driver.Install].Where);
            }
            evidence.push_back(d.Where);
        } else if (!IsKernelOrHal(fault.Name)) {
            text += "; no install in the archive names this file, so its device is not known";
        }
        out.push_back({Severity::Error, "crash.faulting_driver", text + ".", std::move(evidence)});
    }
}

void AddInstallFindings(const Triage& f, std::vector<Finding>& out) {
    for (const InstallSection& s : f.Installs) {
        if (!s.Failed) {
            continue;
        }
        std::string text = "Driver install " + Quoted(s.Title.empty() ? "(untitled)" : s.Title);
        if (s.Start) {
            text += " of " + FormatLocalTime(*s.Start);
        }
        text += " ended with " + s.Status;
        if (!s.Errors.empty()) {
            text += ": " + s.Errors.front();
        }
        // The quoted error line often ends a sentence of its own.
        if (text.back() != '.') {
            text += '.';
        }
        Finding finding{Severity::Error, "install.failed", text, {s.Where}};
        for (size_t k = 0; k < s.ErrorLines.size() && k < kMaxErrorEvidence; ++k) {
            finding.Evidence.push_back({s.Where.Member, s.ErrorLines[k]});
        }
        out.push_back(std::move(finding));
    }
}

void AddNetworkFindings(const Triage& f, const Options& options, std::vector<Finding>& out) {
    for (const HostsEntry& h : f.Hosts) {
        if (IsMakerHost(h.Host, options.MakerHosts)) {
            out.push_back(
                {Severity::Error,
                 "hosts.maker_redirect",
                 "The hosts file sends the maker's host " + h.Host + " to " + h.Address + ".",
                 {h.Where}});
        }
    }
    if (f.MakerHostResolves == false) {
        out.push_back({Severity::Warning,
                       "network.maker_unresolved",
                       "The maker's host " +
                           (f.Ping.Host.empty() ? std::string("name") : f.Ping.Host) +
                           " did not resolve when the report was made.",
                       {f.Ping.Where}});
    }
}

void AddVolumeFindings(const Triage& f, std::vector<Finding>& out) {
    for (const Volume& v : f.System.Volumes) {
        if (!v.Free || !v.Total || *v.Total == 0) {
            continue;
        }
        const std::string space = ByteText(*v.Free) + " free of " + ByteText(*v.Total);
        if (v.System && *v.Free < kSystemVolumeMinFree) {
            out.push_back({Severity::Error,
                           "volume.system_low_space",
                           "The system volume " + v.Name + " has only " + space + ".",
                           {v.Where}});
        } else if (*v.Free * 100 < *v.Total * kLowSpacePercent) {
            out.push_back({Severity::Warning,
                           "volume.low_space",
                           "The volume " + v.Name + " has less than 5% free space (" + space + ").",
                           {v.Where}});
        }
    }
}

bool EvidenceBefore(const EvidenceList& a, const EvidenceList& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](const Evidence& x, const Evidence& y) {
            return std::tie(x.Member, x.Line) < std::tie(y.Member, y.Line);
        });
}

} // namespace

std::vector<Finding> Analyse(const Triage& facts, const Options& options) {
    std::vector<Finding> out;
    AddArchiveFindings(facts, out);
    AddDeviceFindings(facts, out);
    AddCrashFindings(facts, out);
    AddFaultingDriverFindings(facts, out);
    AddInstallFindings(facts, out);
    AddNetworkFindings(facts, options, out);
    AddVolumeFindings(facts, out);
    for (const ReadNote& n : facts.Notes) {
        out.push_back({Severity::Info, n.Id, n.Text, {n.Where}});
    }
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) {
        if (a.Level != b.Level) {
            return a.Level < b.Level;
        }
        if (a.Id != b.Id) {
            return a.Id < b.Id;
        }
        if (EvidenceBefore(a.Evidence, b.Evidence) || EvidenceBefore(b.Evidence, a.Evidence)) {
            return EvidenceBefore(a.Evidence, b.Evidence);
        }
        return a.Text < b.Text;
    });
    return out;
}

} // namespace pv::triage
